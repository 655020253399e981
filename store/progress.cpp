// The progress file: levels completed and the best score, 9 scrambled bytes at the start of
// a small file under the home directory. Anything after the record is left alone.
#include "store/progress.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "game/state.h"
#include "platform/toolkit.h"

// Fixed at build time; changing it makes every saved file read as corrupt.
const uint8_t ProgressKey[8] = {0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x6B, 0xF4, 0x08};

static const char* const progressFolder = "/Applications";
static const char* const progressFile = "/Applications/tavrin.conf";

std::string progressPath() { return (QDir::homeDirPath() + QString::fromLatin1(progressFile)).str(); }

void scrambleProgress() {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&progress);
    for (unsigned i = 0; i < sizeof progress; ++i) {
        uint8_t mask = uint8_t(ProgressKey[(i >> 3) & 7] - (ProgressKey[i & 7] + 58));
        bytes[i] ^= mask;
    }
}

// Reads until n bytes or the end of the file; returns the count read (a read error ends it).
static size_t readUpTo(int fd, uint8_t* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
        ssize_t r = read(fd, buf + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += size_t(r);
    }
    return got;
}

static bool writeAll(int fd, const uint8_t* buf, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, buf, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        buf += w;
        n -= size_t(w);
    }
    return true;
}

int32_t loadProgress() {
    // Opened read-write as the toolkit's file did, which creates a missing file (empty, so
    // the first start logs "Corrupt data"). A file that may only be read is still read: its
    // progress is not lost just because it cannot be written.
    std::string path = progressPath();
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return 0;
    }
    // Bytes the file does not supply go back to their previous plain values.
    scrambleProgress();
    size_t got = readUpTo(fd, reinterpret_cast<uint8_t*>(&progress), sizeof progress);
    scrambleProgress();
    // A file too short to hold the magic is corrupt whatever the record held before.
    if (got < 2 || progress.recordMagic != 0x01C8) {
        qDebug("Corrupt data");
        std::memset(&progress, 0, sizeof progress);
    }
    close(fd);
    return 0;
}

void saveProgress() {
    qDebug("t: %i", int(sizeof progress));
    std::string path = progressPath();
    std::string folder = (QDir::homeDirPath() + QString::fromLatin1(progressFolder)).str();
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        qDebug("saveProgress: cannot create %s: %s", folder.c_str(), std::strerror(errno));
        return;
    }

    progress.recordMagic = 0x01C8;
    progress.recordTag = 0x1000;
    scrambleProgress();
    uint8_t record[sizeof progress];
    std::memcpy(record, &progress, sizeof record);
    scrambleProgress();

    // Whatever follows the record in the old file is kept; so are its permissions.
    std::string tail;
    mode_t fileMode = 0666;
    int old = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (old >= 0) {
        struct stat st;
        if (fstat(old, &st) == 0 && S_ISREG(st.st_mode)) {
            fileMode = st.st_mode & 07777;
            uint8_t skip[sizeof progress];
            if (readUpTo(old, skip, sizeof skip) == sizeof skip) {
                char buf[4096];
                ssize_t r;
                while ((r = read(old, buf, sizeof buf)) > 0 || (r < 0 && errno == EINTR))
                    if (r > 0) tail.append(buf, size_t(r));
                if (r < 0) {
                    qDebug("saveProgress: cannot read %s: %s", path.c_str(), std::strerror(errno));
                    close(old);
                    return;
                }
            }
        }
        close(old);
    }

    // Write a complete new file beside the old one and rename it over: a crash or a full
    // disk leaves either the old file or the new one, never half of either.
    std::string temp = path + ".new";
    unlink(temp.c_str());  // a leftover of an interrupted save
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        qDebug("saveProgress: cannot create %s: %s", temp.c_str(), std::strerror(errno));
        return;
    }
    if (old >= 0) fchmod(fd, fileMode);
    bool ok = writeAll(fd, record, sizeof record) &&
              writeAll(fd, reinterpret_cast<const uint8_t*>(tail.data()), tail.size()) && fsync(fd) == 0;
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        if (ok) savedErrno = errno;
        qDebug("saveProgress: cannot write %s: %s", path.c_str(), std::strerror(savedErrno));
        unlink(temp.c_str());
        return;
    }
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        if (fsync(dir) != 0) qDebug("saveProgress: cannot sync %s: %s", folder.c_str(), std::strerror(errno));
        close(dir);
    }
}
