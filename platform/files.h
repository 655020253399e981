// The toolkit layer's rules for the files a player names or the game keeps: the progress file
// (store/), the recording and the debug log follow them, so a rule is written once.
//
// - A link is followed only to a regular file, or to a place where a new one can be made.
// - A device, a pipe, a socket or a folder, at the path or behind a link, is never replaced,
//   truncated or waited on.
#pragma once
#include <sys/types.h>
#include <string>

// What a path names once its links are followed.
struct FileTarget {
    enum Kind { Missing, Regular, Other };
    Kind kind = Missing;
    std::string path;  // the file the links finally name (the path itself when no link)
    mode_t mode = 0;   // what it is (Regular and Other)
};
// The folder a path is in: "." for a bare name, "/" for a name at the root.
std::string folderOf(const std::string& path);
// Follows the links from path. Returns false, with why set (errno's text), on a loop or a link
// that cannot be read; a missing file or folder on the way is a Missing target.
bool followLinks(const std::string& path, FileTarget& out, std::string& why);
// The one message for a target that is not a regular file: "<path> is a FIFO, not a regular
// file" or "<path> leads to <target>, a FIFO, not a regular file".
std::string notRegularFile(const std::string& path, const FileTarget& target);

// Opens an output file named on the command line (-record, -debuglog) for writing from its
// start. Opening never waits: a regular file is emptied and written, a new one is made (0644
// less the umask), a character device or a pipe that has a reader is written as a stream;
// a pipe without a reader, a folder or a socket is refused. Returns the descriptor (blocking
// writes, close on exec), or -1 with why set.
int openOutputFile(const std::string& path, std::string& why);

// The next stretch of data of the open file fd from at on, before end: [data, hole). Returns
// 1 with the stretch, 0 when only holes are left, -1 with errno set. Where the file system or
// the C library cannot tell holes from data, the rest of the file is one stretch of data.
int nextFileData(int fd, off_t at, off_t end, off_t& data, off_t& hole);
