// Saving in the browser: the home folder of the program's file system is kept in the page's
// IndexedDB, so the progress file (under the home folder, wherever the back end's
// convention puts it) survives a reload. Built into tavrin.js (--pre-js, with -lidbfs.js).
//
// - The stored files are read in while the game shows its splash; the program's load of its
//   progress waits for them (a script run's, before main).
// - Every save is written out at once: the program saves by writing a new file and renaming
//   it over the old one, and a rename (or a written file closed) under the home folder sends
//   the folder to the database as soon as the program yields.
// - Storage the browser refuses (no IndexedDB, a private window that forbids it, a database
//   that will not open): the game plays all the same, on files that last as long as the page,
//   and the page says that progress cannot be kept.
// - A test run (?replay= or ?script=) starts from an empty home, as the native tests do, and
//   never touches the player's stored progress (unless it asks for it with &storage=1).
//
// window.tavrin.storage: "loading", then "persistent" or "unavailable"; "off" in a test run.
// window.tavrin.storageWrites: how many times the home folder has reached the database.
(function() {
  if (typeof window !== 'object') return;
  var page = (window.tavrin = window.tavrin || {});
  var params = new URLSearchParams(window.location.search);
  page.storageWrites = 0;
  // &storage=1 keeps it all the same, for a test of saving that plays a script.
  if ((params.has('replay') || params.has('script')) && params.get('storage') !== '1') {
    page.storage = 'off';
    return;
  }
  page.storage = 'loading';

  var home = null;

  function homeFolder() {
    // The page may set HOME for the program (ENV, before main); else Emscripten's own.
    return (typeof ENV === 'object' && ENV.HOME) || '/home/web_user';
  }

  // The database is opened by the page's notices (window.tavrinOpenStorage), its first script,
  // so that its wait overlaps the program's download; a first visit creates it, which takes a
  // browser a while.
  function openDatabase(name) {
    if (window.tavrinOpenStorage) return window.tavrinOpenStorage(name);
    return {name: name, done: true, db: null, error: 'the page cannot open its storage', waiting: null};
  }

  function say(text) {
    var notices = window.tavrinNotices;
    if (notices && notices.show) return notices.show('storage', text);
    var p = document.getElementById('notice');
    if (p) p.textContent = text;
  }

  function refused(why) {
    page.storage = 'unavailable';
    page.storageProblem = why;
    say('This browser does not let the game store anything, so your progress (the levels you ' +
        'opened and your best score) is lost when you leave the page. The game plays as usual.');
  }

  var dirty = false, busy = false;
  function flush() {
    if (busy || !dirty || page.storage !== 'persistent') return;
    dirty = false;
    busy = true;
    FS.syncfs(false, function(err) {
      busy = false;
      if (err) {
        refused('cannot write: ' + (err.message || err));
        return;
      }
      page.storageWrites++;
      if (dirty) flush();
    });
  }
  function changed(path) {
    if (typeof path !== 'string' || (path !== home && path.indexOf(home + '/') !== 0)) return;
    dirty = true;
    // Written once the program yields (it sleeps between frames), not in the middle of a save.
    if (!busy) setTimeout(flush, 0);
  }

  // Renames and written files under the home folder mark it for writing out.
  function watchSaves() {
    var rename = FS.rename, close = FS.close, unlink = FS.unlink;
    FS.rename = function(from, to) {
      var r = rename.apply(this, arguments);
      changed(to);
      return r;
    };
    FS.unlink = function(path) {
      var r = unlink.apply(this, arguments);
      changed(path);
      return r;
    };
    FS.close = function(stream) {
      var wrote = stream && (stream.flags & 3) !== 0;  // O_WRONLY or O_RDWR
      var r = close.apply(this, arguments);
      if (wrote) changed(stream.path);
      return r;
    };
    window.addEventListener('pagehide', flush);
    document.addEventListener('visibilitychange', flush);
  }

  function mount(opened, done) {
    home = opened.name;
    if (opened.error) {
      refused(opened.error);
      return done();
    }
    try {
      FS.mkdirTree(home);
      FS.mount(IDBFS, {}, home);
      IDBFS.dbs[home] = opened.db;
    } catch (e) {
      refused('cannot mount: ' + (e.message || e));
      return done();
    }
    FS.syncfs(true, function(err) {
      if (err) refused('cannot read: ' + (err.message || err));
      else {
        page.storage = 'persistent';
        watchSaves();
      }
      done();
    });
  }

  // The database's name is the mount point's, which the page may still change in its own
  // preRun: the usual folder's is opened already (or now), any other in the preRun.
  var early = page.storageOpening;
  var opened = early && early.name === homeFolder() ? early : openDatabase(homeFolder());
  Module['preRun'] = Module['preRun'] || [];
  if (typeof Module['preRun'] === 'function') Module['preRun'] = [Module['preRun']];
  // The game starts at once and draws its splash while the database opens; it reads its
  // progress file once tavrin.storage leaves "loading" (platform/web_backend.cpp). A script
  // run that keeps storage reads it in before main, as it did.
  var wait = params.has('replay') || params.has('script');
  Module['preRun'].push(function() {
    if (wait) addRunDependency('tavrin-storage');
    if (homeFolder() !== opened.name) opened = openDatabase(homeFolder());
    var ready = function() {
      mount(opened, function() { if (wait) removeRunDependency('tavrin-storage'); });
    };
    if (opened.done) ready();
    else opened.waiting = ready;
  });
})();
