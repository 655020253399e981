// A fresh scratch folder for a unit test, under $TMPDIR (else /tmp), named after its test
// file's prefix; empty when none can be made.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

inline std::string makeScratchDir(const char* prefix) {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}
