// The page's plain words to the player, in <p id="notice">, offline play, and the start of
// saving. Loaded by index.html before the program (tavrin.js), so that a browser that cannot
// run the program still hears why, and so that the storage's database is opened while the
// program downloads (platform/web/storage.js, inside tavrin.js, takes it over).
//
// window.tavrinNotices.show(kind, text) puts up a notice (one per kind, in the order they
// came; a kind shown again replaces its words), clear(kind) takes it down. The kinds in use:
// "webassembly" (this file), "storage" (platform/web/storage.js).
(function() {
  var page = (window.tavrin = window.tavrin || {});
  var params = new URLSearchParams(window.location.search);
  var notices = [];  // {kind, text}

  function render() {
    var p = document.getElementById('notice');
    if (!p) return;
    p.textContent = notices.map(function(n) { return n.text; }).join(' ');
    p.hidden = notices.length === 0;
  }

  window.tavrinNotices = {
    show: function(kind, text) {
      var n = notices.filter(function(n) { return n.kind === kind; })[0];
      if (n) n.text = text;
      else notices.push({kind: kind, text: text});
      render();
    },
    clear: function(kind) {
      notices = notices.filter(function(n) { return n.kind !== kind; });
      render();
    },
  };
  // The notice element comes after this script in the page.
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', render);

  // Without WebAssembly the program cannot even start: say so, in place of the game.
  var hasWasm = false;
  try {
    hasWasm = typeof WebAssembly === 'object' && typeof WebAssembly.instantiate === 'function' &&
        typeof WebAssembly.Memory === 'function';
  } catch (e) {
    hasWasm = false;
  }
  if (!hasWasm) {
    var text = 'Tavrin cannot run in this browser: it needs WebAssembly, which this browser does ' +
        'not have or has turned off. A current Firefox, Chrome, Edge or Safari runs it.';
    page.status = 'error';
    page.error = text;
    page.noWebAssembly = true;
    window.tavrinNotices.show('webassembly', text);
  }
  if (page.storage === undefined) page.storage = hasWasm ? 'loading' : 'unavailable';

  // window.tavrinOpenStorage(name): opens the database that Emscripten's IndexedDB file system
  // keeps for the folder name, in that file system's own layout (so that it takes the
  // database as its own). Returns {name, done, db, error, waiting}: once done, db is open or
  // error says why not, and waiting (when set) is called then.
  var DB_VERSION = 21, STORE = 'FILE_DATA';
  var TIMEOUT_MS = 5000;  // a browser that never answers counts as one that refuses
  window.tavrinOpenStorage = function(name) {
    var opening = {name: name, done: false, db: null, error: null, waiting: null};
    function finish(db, error) {
      if (opening.done) {
        if (db) db.close();  // an answer after the time-out: refused already
        return;
      }
      opening.done = true;
      opening.db = db;
      opening.error = error;
      if (opening.waiting) opening.waiting();
    }
    var request;
    try {
      var idb = window.indexedDB;
      if (!idb) {
        finish(null, 'no IndexedDB');
        return opening;
      }
      request = idb.open(name, DB_VERSION);
    } catch (e) {
      finish(null, String((e && e.message) || e));
      return opening;
    }
    setTimeout(function() { finish(null, 'IndexedDB did not answer'); }, TIMEOUT_MS);
    request.onupgradeneeded = function(e) {
      var db = e.target.result, store;
      if (db.objectStoreNames.contains(STORE)) store = e.target.transaction.objectStore(STORE);
      else store = db.createObjectStore(STORE);
      if (!store.indexNames.contains('timestamp')) store.createIndex('timestamp', 'timestamp', {unique: false});
    };
    request.onsuccess = function() { finish(request.result, null); };
    request.onerror = function(e) {
      if (e && e.preventDefault) e.preventDefault();
      finish(null, String((request.error && request.error.message) || 'IndexedDB refused'));
    };
    request.onblocked = function() { finish(null, 'IndexedDB is blocked'); };
    return opening;
  };
  // The program's home folder, unless the page gives it another (storage.js opens that one).
  // A test run (?replay=, ?script=) keeps nothing unless it asks with &storage=1.
  var testRun = params.has('replay') || params.has('script');
  if (hasWasm && (!testRun || params.get('storage') === '1')) page.storageOpening = window.tavrinOpenStorage('/home/web_user');

  // Offline play: the service worker keeps a copy of the whole page once it has been loaded.
  // Registered after the page has loaded, so it never competes with the first frame; never in
  // a test (?test=1), which must start from a clean browser.
  if (hasWasm && !params.has('test') && 'serviceWorker' in navigator) {
    window.addEventListener('load', function() {
      navigator.serviceWorker.register('sw.js').catch(function() {
        // No offline copy (a private window, say): the game still plays online.
      });
    });
  }
})();
