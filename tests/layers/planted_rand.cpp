// A planted fault for tools/checks/check_no_libc_rand.sh: a draw from the C library.
#include <cstdlib>

int plantedCoin() { return std::rand() & 1; }
