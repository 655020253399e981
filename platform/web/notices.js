// The page's plain words to the player, in <p id="notice">, and offline play. Loaded by
// index.html before the program (tavrin.js), so that a browser that cannot run the program
// still hears why.
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
