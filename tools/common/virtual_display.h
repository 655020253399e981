// A private X server with no GPU behind it (Xvfb), as on a headless machine, for the desktop
// tests and the desktop benchmark: started on a free display number that the server picks
// itself, stopped when the object goes. display() is empty when there is no Xvfb or it did
// not start.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

class VirtualDisplay {
public:
    explicit VirtualDisplay(const char* screen = "1024x768x24") {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
                  "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid < 0) {
            close(fds[0]);
            return;
        }
        pid_ = pid;
        // The server writes its display number when it is ready for clients.
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~VirtualDisplay() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};
