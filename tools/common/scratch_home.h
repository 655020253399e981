// A private home folder for anything that may save progress (tests, tools, fuzz targets):
// made fresh with mkdtemp under $TMPDIR (else /tmp), set as HOME while the object lives,
// then removed with all it holds and the caller's HOME put back. Nothing that runs inside
// one ever writes into the real home folder.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

class ScratchHome {
public:
    explicit ScratchHome(const char* tag = "tavrin-home") {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + tag + ".XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) std::abort();  // without a private home nothing may run: it would write the real one
        path_ = name.data();
        if (const char* old = std::getenv("HOME")) {
            hadOld_ = true;
            old_ = old;
        }
        setenv("HOME", path_.c_str(), 1);
    }
    ~ScratchHome() {
        if (hadOld_)
            setenv("HOME", old_.c_str(), 1);
        else
            unsetenv("HOME");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    const std::string& path() const { return path_; }
    // Where the game keeps its progress under this home.
    std::string folder() const { return path_ + "/Applications"; }
    std::string file() const { return path_ + "/Applications/tavrin.conf"; }

private:
    std::string path_, old_;
    bool hadOld_ = false;
};
