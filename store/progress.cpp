// The progress file: levels completed and the best score, 9 scrambled bytes at the start of
// a small file under the home directory. Anything after the record is left alone.
#include "store/progress.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

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

void parseProgress(const uint8_t* bytes, size_t size) {
    // Bytes the file does not supply go back to their previous plain values.
    scrambleProgress();
    if (size > 0) std::memcpy(&progress, bytes, size < sizeof progress ? size : sizeof progress);
    scrambleProgress();
    // A file too short to hold the magic is corrupt whatever the record held before.
    if (size < 2 || progress.recordMagic != 0x01C8) {
        qDebug("Corrupt data");
        std::memset(&progress, 0, sizeof progress);
    }
}

namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links from path to the file they finally name (which need not exist).
// Returns false, with errno set, on a loop or a link that cannot be read.
bool resolveLinks(std::string path, std::string& target) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = path;
            return true;
        }
        std::string link(size_t(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n < 0) return false;
        link.resize(size_t(n));
        path = !link.empty() && link[0] == '/' ? link : folderOf(path) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

bool syncFolder(const std::string& folder) {
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    bool ok = fsync(dir) == 0;
    close(dir);
    return ok;
}

// A save that cannot be done: said once on standard error (a player may never read the
// debug log) and in the debug log.
void saveFailed(const std::string& what) {
    qDebug("saveProgress: %s", what.c_str());
    std::fprintf(stderr, "tavrin: cannot save progress: %s\n", what.c_str());
}

}  // namespace

int32_t loadProgress() {
    // Opened read-write as the toolkit's file did, which creates a missing file (empty, so
    // the first start logs "Corrupt data"). A file that may only be read is still read: its
    // progress is not lost just because it cannot be written.
    std::string path = progressPath();
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0 && errno == ENOENT) {
        // A link to nothing: read as a missing file, but nothing is created where it points.
        parseProgress(nullptr, 0);
        return 0;
    }
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return 0;
    }
    uint8_t bytes[sizeof progress];
    size_t got = readUpTo(fd, bytes, sizeof bytes);
    close(fd);
    parseProgress(bytes, got);
    return 0;
}

void saveProgress() {
    qDebug("t: %i", int(sizeof progress));
    std::string home = QDir::homeDirPath().str();
    std::string folder = home + progressFolder;
    if (mkdir(folder.c_str(), 0777) == 0) {
        // The new folder is an entry of the home folder: make that entry durable too.
        syncFolder(home);
    } else if (errno != EEXIST) {
        saveFailed("cannot create " + folder + ": " + std::strerror(errno));
        return;
    }

    progress.recordMagic = 0x01C8;
    progress.recordTag = 0x1000;
    scrambleProgress();
    uint8_t record[sizeof progress];
    std::memcpy(record, &progress, sizeof record);
    scrambleProgress();

    // A progress file that is a link stays a link: the file it names is the one replaced.
    std::string path;
    if (!resolveLinks(progressPath(), path)) {
        saveFailed("cannot follow " + progressPath() + ": " + std::strerror(errno));
        return;
    }
    std::string targetFolder = folderOf(path);

    // Whatever follows the record in the old file is kept; so are its permissions.
    std::string tail;
    bool hadFile = false;
    mode_t fileMode = 0666;
    int old = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (old >= 0) {
        struct stat st;
        if (fstat(old, &st) == 0 && S_ISREG(st.st_mode)) {
            hadFile = true;
            fileMode = st.st_mode & 07777;
            uint8_t skip[sizeof progress];
            if (readUpTo(old, skip, sizeof skip) == sizeof skip) {
                char buf[4096];
                ssize_t r;
                while ((r = read(old, buf, sizeof buf)) > 0 || (r < 0 && errno == EINTR))
                    if (r > 0) tail.append(buf, size_t(r));
                if (r < 0) {
                    saveFailed("cannot read " + path + ": " + std::strerror(errno));
                    close(old);
                    return;
                }
            }
        }
        close(old);
    }
    if (!hadFile) {
        mode_t mask = umask(0);
        umask(mask);
        fileMode = 0666 & ~mask;
    }

    // Write a complete new file beside the old one and rename it over: a crash or a full
    // disk leaves either the old file or the new one, never half of either. The temporary
    // name is new every time, so nothing left behind by another save can stand in its way.
    std::string temp = path + ".new-XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        saveFailed("cannot create a temporary file in " + targetFolder + ": " + std::strerror(errno));
        return;
    }
    bool ok = fchmod(fd, fileMode) == 0 && writeAll(fd, record, sizeof record) &&
              writeAll(fd, reinterpret_cast<const uint8_t*>(tail.data()), tail.size()) && fsync(fd) == 0;
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        if (ok) savedErrno = errno;
        unlink(temp.c_str());
        saveFailed("cannot write " + path + ": " + std::strerror(savedErrno));
        return;
    }
    if (!syncFolder(targetFolder))
        qDebug("saveProgress: cannot sync %s: %s", targetFolder.c_str(), std::strerror(errno));
}
