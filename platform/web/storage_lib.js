// fsync for the browser build (a JS library, linked with platform/web/storage.js). Emscripten's
// own, under Asyncify, waits for the whole IndexedDB file system to be written, which unwinds
// the program's stack from inside the progress file's save; the web build unwinds only the
// loop's own direct calls, and the save is reached through the mode table, so that fsync would
// stop the program. Here it returns at once: the file's bytes are in the in-memory file system
// already, and storage.js writes the folder to the database within a frame of the save's
// rename.
mergeInto(LibraryManager.library, {
  fd_sync__sig: 'ii',
  fd_sync: function(fd) {
    try {
      var stream = SYSCALLS.getStreamFromFD(fd);
      if (stream.stream_ops && stream.stream_ops.fsync) return -stream.stream_ops.fsync(stream);
      return 0;
    } catch (e) {
      // A descriptor that is not open: its error number, as every system call returns it.
      if (typeof FS === 'undefined' || !(e instanceof FS.ErrnoError)) throw e;
      return e.errno;
    }
  },
});
