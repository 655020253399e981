// A whole file as a string, for the tools and the tests (the game reads its files through
// store/ and its own checks).
#pragma once
#include <fstream>
#include <sstream>
#include <string>

// The file's bytes into out; false, out untouched, when it cannot be opened.
inline bool readWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

// The file's bytes; empty when it cannot be opened.
inline std::string wholeFile(const std::string& path) {
    std::string bytes;
    readWholeFile(path, bytes);
    return bytes;
}
