// The browser build's files start as a Linux login's would. Emscripten starts the process with
// the umask 0777, and the progress file's save gives its new file the mode 0666 less the
// umask: every save would leave a file of mode 0, which the in-memory file system then
// refuses to read, to the program's next load too. Set before main by a static initializer;
// the web build compiles this file into the program itself (cmake/web_shell.cmake), since
// nothing calls it and a library would leave it out.
#include <sys/stat.h>

extern "C" void tavrinWebFileDefaults() { umask(022); }

namespace {
struct Start {
    Start() { tavrinWebFileDefaults(); }
} start;
}  // namespace
