// The progress file: levels completed and the best score, 9 scrambled bytes at the start of
// a small file under the home directory. Anything after the record is left alone.
#include "store/progress.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/files.h"
#include "platform/system.h"
#include "platform/toolkit.h"

// Fixed at build time; changing it makes every saved file read as corrupt.
const uint8_t ProgressKey[8] = {0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x6B, 0xF4, 0x08};

// Zeroed until a load; startWorld and stopWorld clear it with the game.
ProgressRecord progress;

static const char* const progressFile = "/Applications/tavrin.conf";
static const char* const desktopProgressFile = "/tavrin/tavrin.conf";

ProgressPlace progressPlace(FileConvention convention) {
    // Without a home folder the handheld's place would be at the root of the file system:
    // then there is no place (see noPlace).
    std::string handheld =
        homeDirGiven() ? (QDir::homeDirPath() + QString::fromLatin1(progressFile)).str() : std::string();
    if (convention == FileConvention::Handheld) return ProgressPlace{handheld, std::string(), true};
    // Progress saved before the game followed the desktop's folders is still read, and left
    // where it is.
    std::string desktop =
        desktopDataDirGiven() ? (desktopDataDirPath() + QString::fromLatin1(desktopProgressFile)).str() : std::string();
    return ProgressPlace{desktop, handheld, false};
}

// No home folder (HOME unset, empty or relative, and on the desktop no XDG_DATA_HOME either):
// progress is neither read nor saved, said once on standard error and at each try in the
// debug log. The game plays on with its record.
static void noPlace(const char* doing) {
    static bool said = false;
    if (!said) std::fprintf(stderr, "tavrin: HOME is not set: progress is neither read nor saved\n");
    said = true;
    qDebug("%s: HOME is not set, no progress file", doing);
}

std::string progressPath() { return progressPlace(fileConvention()).file; }

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

// Copies what follows the record in the file from to the same places in to, size bytes in
// all, in blocks of bounded size and only where from holds data: a hole (a sparse tail) stays
// a hole, and the memory a save takes does not grow with the file. False with errno set.
static uint8_t tailBlock[64 << 10];
static bool copyTail(int from, int to, off_t size) {
    for (off_t at = off_t(sizeof progress); at < size;) {
        off_t data, hole;
        int got = nextFileData(from, at, size, data, hole);
        if (got < 0) return false;
        if (got == 0) break;  // holes to the end
        for (at = data; at < hole;) {
            ssize_t r = pread(from, tailBlock, size_t(std::min<off_t>(off_t(sizeof tailBlock), hole - at)), at);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) return false;
            if (r == 0) {  // shorter than it was: what is left is the end
                hole = size = at;
                break;
            }
            for (ssize_t done = 0; done < r;) {
                ssize_t w = pwrite(to, tailBlock + done, size_t(r - done), at + done);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) return false;
                done += w;
            }
            at += r;
        }
        at = hole;
    }
    // The holes at the end, if any, are made by the length.
    return ftruncate(to, size) == 0;
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

// Reads the first bytes of a file that may not be changed; a pipe or a device is not waited on.
// Returns false when there is no regular file to read.
static bool readRecordOf(const std::string& path, uint8_t* bytes, size_t& got) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular) got = readUpTo(fd, bytes, sizeof progress);
    close(fd);
    return regular;
}

static bool missing(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

int32_t loadProgressFrom(const ProgressPlace& place) {
    const std::string& path = place.file;
    if (path.empty()) {
        noPlace("loadProgress");
        return 0;
    }
    uint8_t bytes[sizeof progress];
    size_t got = 0;
    if (!place.handheld) {
        // Nothing is created by a load here: a missing file reads the earlier place, or
        // nothing at all, and the record stays as it is.
        const std::string& from = missing(path) && !place.earlier.empty() ? place.earlier : path;
        if (readRecordOf(from, bytes, got)) parseProgress(bytes, got);
        return 0;
    }
    // Opened read-write as the toolkit's file did, which creates a missing file (empty, so
    // the first start logs "Corrupt data"). A file that may only be read is still read: its
    // progress is not lost just because it cannot be written.
    // A device or a FIFO, at the path or behind a link, is not even opened: it is taken as a
    // file that cannot be opened.
    FileTarget target;
    std::string why;
    if (followLinks(path, target, why) && target.kind == FileTarget::Other) return 0;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0 && errno == ENOENT) {
        // A link to nothing: read as a missing file, but nothing is created where it points.
        parseProgress(nullptr, 0);
        return 0;
    }
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (regular) got = readUpTo(fd, bytes, sizeof bytes);
        close(fd);
        if (regular) parseProgress(bytes, got);
        return 0;
    }
    if (readRecordOf(path, bytes, got)) parseProgress(bytes, got);
    return 0;
}

int32_t loadProgress() {
    // Storage that is still opening (a browser page's) is read at the program's first sleep,
    // with the splash already on the screen.
    if (sysStorageOpening([] { loadProgressFrom(progressPlace(fileConvention())); })) return 0;
    return loadProgressFrom(progressPlace(fileConvention()));
}

// The plain record a load would make of a file's first bytes, without a word in the log.
static ProgressRecord recordOf(const uint8_t* bytes, size_t got) {
    ProgressRecord plain{};
    uint8_t* out = reinterpret_cast<uint8_t*>(&plain);
    for (size_t i = 0; i < sizeof plain && i < got; ++i)
        out[i] = uint8_t(bytes[i] ^ uint8_t(ProgressKey[(i >> 3) & 7] - (ProgressKey[i & 7] + 58)));
    if (got < 2 || plain.recordMagic != 0x01C8) plain = ProgressRecord{};
    return plain;
}

// Whether the progress kept at place already is the record's (so a save has nothing to do).
static bool alreadyStored(const ProgressPlace& place, const std::string& path, const uint8_t* record) {
    uint8_t bytes[sizeof progress];
    size_t got = 0;
    if (!missing(path))
        return readRecordOf(path, bytes, got) && got == sizeof bytes && !std::memcmp(bytes, record, got);
    // No file yet: what a load would read instead (the earlier place, else nothing).
    ProgressRecord stored{};
    if (!place.earlier.empty() && readRecordOf(place.earlier, bytes, got)) stored = recordOf(bytes, got);
    return stored.levelReached == progress.levelReached && stored.bestScore == progress.bestScore;
}

namespace {

// Makes folder when it is missing: only its last step for the handheld's place under the home
// directory (0777 less the umask), every missing step for the desktop's (0700, as the base
// directory rules ask). Each new folder's entry is made durable in its parent.
bool makeFolder(const std::string& folder, bool handheld) {
    struct stat st;
    if (stat(folder.c_str(), &st) == 0) return true;  // a file in its place fails the save later
    std::string parent = folderOf(folder);
    if (!handheld && parent != folder && !makeFolder(parent, false)) return false;
    if (mkdir(folder.c_str(), handheld ? 0777 : 0700) == 0) {
        syncFolder(parent);
        return true;
    }
    if (errno == EEXIST) return true;
    saveFailed("cannot create " + folder + ": " + std::strerror(errno));
    return false;
}

// The names of our own temporary files: the file's name, ".new-" and the six letters or
// digits that mkstemp puts in place of XXXXXX.
bool isOurTemporary(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    }
    return true;
}

// A temporary file younger than this may be another game's that has made it and not yet
// locked it: it is left alone (a killed save's stays a few seconds more).
constexpr time_t YoungTemporarySeconds = 10;

// Removes the temporary files that a save killed between writing and renaming left in
// folder. Only regular files (never a link, whatever it points at), and only those no save is
// writing now: a save holds a lock on its temporary file until it is renamed, and one made in
// the last few seconds may be about to be locked.
void removeStaleTemporaries(const std::string& folder, const std::string& prefix) {
    const time_t oldEnough = time(nullptr) - YoungTemporarySeconds;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (!isOurTemporary(name, prefix)) continue;
        const std::string path = folder + "/" + name;
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened, now;
        if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_mtime <= oldEnough &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 && lstat(path.c_str(), &now) == 0 && now.st_dev == opened.st_dev &&
            now.st_ino == opened.st_ino) {
            if (unlink(path.c_str()) == 0) qDebug("saveProgress: removed %s, left by an earlier save", path.c_str());
        }
        close(fd);
    }
    closedir(dir);
}

// A new temporary file beside path, locked while it is ours; -1 with errno set on failure.
int makeTemporary(const std::string& path, std::string& temp) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp = path + ".new-XXXXXX";
        int fd = mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        // Another save's clean-up may have taken it in the moment before the lock: then it
        // is gone, and another name is tried.
        struct stat st;
        if (flock(fd, LOCK_EX) == 0 && fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
        close(fd);
    }
    errno = EAGAIN;
    return -1;
}

}  // namespace

void saveProgressTo(const ProgressPlace& place) {
    qDebug("t: %i", int(sizeof progress));
    if (place.file.empty()) {
        noPlace("saveProgress");
        return;
    }
    // The handheld's save makes its folder under the home directory first, as it always did.
    if (place.handheld && !makeFolder(folderOf(place.file), true)) return;

    progress.recordMagic = 0x01C8;
    progress.recordTag = 0x1000;
    scrambleProgress();
    uint8_t record[sizeof progress];
    std::memcpy(record, &progress, sizeof record);
    scrambleProgress();

    // A progress file that is a link stays a link: the file it names is the one replaced,
    // and only when it is a regular file or not there yet. A device, a FIFO or a socket is
    // never replaced (a link to /dev/null is a usual way to keep a game from saving).
    FileTarget target;
    std::string why;
    if (!followLinks(place.file, target, why)) {
        saveFailed("cannot follow " + place.file + ": " + why);
        return;
    }
    if (target.kind == FileTarget::Other) {
        saveFailed(notRegularFile(place.file, target) + "; it is left as it is");
        return;
    }
    const std::string& path = target.path;
    if (!place.handheld) {
        // Nothing is written, and no folder made, for progress that is kept already: a game
        // started and left without playing leaves no trace.
        if (alreadyStored(place, path, record)) {
            qDebug("saveProgress: %s holds this progress already",
                   missing(path) ? place.earlier.c_str() : path.c_str());
            return;
        }
        if (!makeFolder(folderOf(place.file), false)) return;
    }
    std::string targetFolder = folderOf(path);

    // Whatever follows the record in the old file is kept; so are its permissions.
    off_t oldSize = 0;
    mode_t fileMode = 0666;
    int old = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (old >= 0 && (fstat(old, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(old);
        old = -1;
    }
    if (old >= 0) {
        oldSize = st.st_size;
        fileMode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fileMode = 0666 & ~mask;
    }

    removeStaleTemporaries(targetFolder, path.substr(path.rfind('/') + 1) + ".new-");

    // Write a complete new file beside the old one and rename it over: a crash or a full
    // disk leaves either the old file or the new one, never half of either. The temporary
    // name is new every time, so nothing left behind by another save can stand in its way.
    std::string temp;
    int fd = makeTemporary(path, temp);
    if (fd < 0) {
        saveFailed("cannot create a temporary file in " + targetFolder + ": " + std::strerror(errno));
        if (old >= 0) close(old);
        return;
    }
    bool ok = fchmod(fd, fileMode) == 0 && writeAll(fd, record, sizeof record) &&
              (oldSize <= off_t(sizeof record) || copyTail(old, fd, oldSize)) && fsync(fd) == 0;
    int savedErrno = errno;
    if (old >= 0) close(old);
    // Renamed while still locked, so that no clean-up ever takes a file that is being written.
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        if (ok) savedErrno = errno;
        unlink(temp.c_str());
        close(fd);
        saveFailed("cannot write " + path + ": " + std::strerror(savedErrno));
        return;
    }
    close(fd);
    if (!syncFolder(targetFolder))
        qDebug("saveProgress: cannot sync %s: %s", targetFolder.c_str(), std::strerror(errno));
}

void saveProgress() { saveProgressTo(progressPlace(fileConvention())); }
