// The rules the progress file, the recording and the debug log share for the files they open
// (files.h).
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

}  // namespace

bool followLinks(const std::string& start, FileTarget& out, std::string& why) {
    std::string path = start;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT && errno != ENOTDIR) break;
            out = FileTarget{FileTarget::Missing, path, 0};
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            out = FileTarget{S_ISREG(st.st_mode) ? FileTarget::Regular : FileTarget::Other, path, st.st_mode};
            return true;
        }
        std::string link(size_t(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n < 0) break;
        link.resize(size_t(n));
        path = !link.empty() && link[0] == '/' ? link : folderOf(path) + "/" + link;
        errno = ELOOP;
    }
    why = std::strerror(errno);
    return false;
}

std::string notRegularFile(const std::string& path, const FileTarget& target) {
    const char* kind = kindOf(target.mode);
    const std::string what =
        std::strcmp(kind, "not a regular file") == 0 ? kind : std::string(kind) + ", not a regular file";
    if (target.path == path) return path + " is " + what;
    return path + " leads to " + target.path + ", " + what;
}

int openOutputFile(const std::string& path, std::string& why) {
    FileTarget target;
    if (!followLinks(path, target, why)) return -1;
    // Nothing that is opened only to be refused: a folder or a socket fails here.
    if (target.kind == FileTarget::Other && !S_ISCHR(target.mode) && !S_ISFIFO(target.mode)) {
        why = notRegularFile(path, target);
        return -1;
    }
    // Not truncated by the open: only once it is known to be a regular file.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = errno == ENXIO ? "a FIFO that nothing reads (opening it would wait for a reader)" : std::strerror(errno);
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || (S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0)) {
        why = std::strerror(errno);
        close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode)) {
        // Swapped in since the links were followed.
        why = notRegularFile(path, FileTarget{FileTarget::Other, path, st.st_mode});
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int nextFileData(int fd, off_t at, off_t end, off_t& data, off_t& hole) {
    data = at;
    hole = end;
#if defined(SEEK_DATA) && defined(SEEK_HOLE)
    off_t found = lseek(fd, at, SEEK_DATA);
    if (found < 0) {
        if (errno == ENXIO) return 0;  // holes to the end
        if (errno != EINVAL) return -1;
        return 1;  // a file system that cannot tell: all data
    }
    data = found;
    off_t after = lseek(fd, found, SEEK_HOLE);
    if (after >= 0 && after < end) hole = after;
#else
    (void)fd;
#endif
    return data < end ? 1 : 0;
}
