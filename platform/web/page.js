// The page around the program: the command line from the URL, the canvas's size, the player's
// keys, mouse and touch, the page's visibility, and the test hooks on window.tavrin. The
// program's own side of these is platform/web/backend.js and platform/web_backend.cpp.
//
// URL parameters: none (the game), ?replay=URL (check a recording, as `tavrin -platform
// offscreen -replay FILE`), ?script=URL (as `tavrin -platform offscreen -script FILE`),
// ?args=A+B (more command-line words), ?test=1 (no service worker).
(function() {
  'use strict';
  var tavrin = (window.tavrin = window.tavrin || {});
  var params = new URLSearchParams(window.location.search);
  var canvas = document.getElementById('screen');
  // The program's working folder in its in-memory file system: fetched files and the
  // screenshots of a script are here.
  var workDir = '/tavrin';

  if (tavrin.status === undefined) tavrin.status = 'loading';
  tavrin.exitCode = null;
  tavrin.frames = 0;
  tavrin.firstFrameAt = null;
  tavrin.suspended = false;
  var out = [], err = [];
  var decoder = new TextDecoder();
  Object.defineProperty(tavrin, 'stdout', {get: function() { return decoder.decode(new Uint8Array(out)); }});
  Object.defineProperty(tavrin, 'stderr', {get: function() { return decoder.decode(new Uint8Array(err)); }});

  function fail(message) {
    tavrin.status = 'error';
    tavrin.error = message;
    if (window.tavrinNotices) window.tavrinNotices.show('error', message);
  }

  // ---- the command line ----
  var args = [];
  var fetches = [];  // [url, file name]
  function fetched(param) {
    var url = params.get(param);
    var name = url.split(/[?#]/)[0].split('/').pop() || param;
    fetches.push([url, name]);
    return name;
  }
  var extra = params.has('args') ? params.get('args').split(/\s+/).filter(Boolean) : [];
  var offscreenRun = params.has('replay') || params.has('script');
  if (offscreenRun && extra.indexOf('-platform') < 0) args.push('-platform', 'offscreen');
  if (params.has('script')) args.push('-script', fetched('script'));
  if (params.has('replay')) args.push('-replay', fetched('replay'));
  args = args.concat(extra);
  // The fetches start now, beside the program's download.
  var files = fetches.map(function(f) {
    return fetch(f[0]).then(function(r) {
      if (!r.ok) throw new Error('cannot fetch ' + f[0] + ': ' + r.status + ' ' + r.statusText);
      return r.arrayBuffer();
    }).then(function(b) { return [f[1], new Uint8Array(b)]; });
  });

  // ---- the picture: a whole factor of real pixels, centred, never cut off ----
  function place() {
    var ratio = window.devicePixelRatio || 1;
    var w = window.innerWidth, h = window.innerHeight;
    var cw = canvas.width, ch = canvas.height;
    var zoom = Math.min(Math.floor(w * ratio / cw), Math.floor(h * ratio / ch));
    var cssW, cssH;
    if (zoom >= 1) {
      cssW = cw * zoom / ratio;
      cssH = ch * zoom / ratio;
    } else if (w * ch <= h * cw) {  // smaller than the screen: shrunk to fit
      cssW = w;
      cssH = w * ch / cw;
    } else {
      cssH = h;
      cssW = h * cw / ch;
    }
    canvas.style.width = cssW + 'px';
    canvas.style.height = cssH + 'px';
  }
  window.addEventListener('resize', place);
  place();

  // ---- input: five numbers an event for the program (kind, key, repeat, x, y) ----
  var events = [];
  // The keys the game knows, by the browser's key codes (the same the program maps).
  var gameKeys = {38: 1, 40: 1, 37: 1, 39: 1, 32: 1, 13: 1, 27: 1, 104: 1, 98: 1, 100: 1, 102: 1};
  function keyEvent(e, down) {
    if (e.ctrlKey || e.metaKey) return;  // the browser's own shortcuts
    var code = e.keyCode;
    if (code === 13 && e.altKey) return;  // Alt+Enter is never fire
    if (gameKeys[code]) e.preventDefault();  // no scrolling, no button presses
    if (!suspendedNow()) events.push([down ? 1 : 2, code, down && e.repeat ? 1 : 0, 0, 0]);
  }
  window.addEventListener('keydown', function(e) { keyEvent(e, true); });
  window.addEventListener('keyup', function(e) { keyEvent(e, false); });

  // Mouse and touch are the stylus: one pointer at a time is the pen.
  var pen = null;
  function screenPoint(e) {
    var r = canvas.getBoundingClientRect();
    var x = Math.floor((e.clientX - r.left) * canvas.width / r.width);
    var y = Math.floor((e.clientY - r.top) * canvas.height / r.height);
    return [Math.max(0, Math.min(canvas.width - 1, x)), Math.max(0, Math.min(canvas.height - 1, y))];
  }
  function penEvent(kind, e) {
    var p = screenPoint(e);
    events.push([kind, 0, 0, p[0], p[1]]);
  }
  document.addEventListener('pointerdown', function(e) {
    if (pen !== null || (e.pointerType === 'mouse' && e.button !== 0)) return;
    if (e.target === canvas) e.preventDefault();
    if (suspendedNow()) return;  // the tap that brings the page back only wakes the device
    pen = e.pointerId;
    if (e.target.setPointerCapture) e.target.setPointerCapture(e.pointerId);
    penEvent(3, e);
  });
  document.addEventListener('pointermove', function(e) {
    if (e.pointerId === pen) penEvent(4, e);
  });
  function penUp(e) {
    if (e.pointerId !== pen) return;
    pen = null;
    penEvent(5, e);
  }
  document.addEventListener('pointerup', penUp);
  document.addEventListener('pointercancel', penUp);
  // No long-press menu or double-tap zoom on the screen.
  canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
  canvas.addEventListener('touchstart', function(e) { e.preventDefault(); }, {passive: false});

  // ---- looking away: a hidden or blurred page suspends the device ----
  var blurred = false;
  window.addEventListener('blur', function() { blurred = true; });
  window.addEventListener('focus', function() { blurred = false; });
  // A key or a tap on the page is the player looking at it, whatever the focus said.
  window.addEventListener('pointerdown', function() { blurred = false; }, true);
  window.addEventListener('keydown', function() { blurred = false; }, true);
  function suspendedNow() { return tavrin.suspended; }

  // ---- test hooks ----
  tavrin.files = function(dir) {
    return Module.FS.readdir(dir).filter(function(n) { return n !== '.' && n !== '..'; });
  };
  tavrin.readFile = function(path) {
    var bytes = Module.FS.readFile(path), s = '';
    for (var i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(s);
  };

  // ---- the program ----
  var Module = (window.Module = window.Module || {});
  Module.arguments = args;
  Module.page = {
    canvas: canvas,
    context: canvas.getContext('2d', {alpha: false}),
    image: null,
    events: events,
    frameShown: function() {
      if (tavrin.frames++ === 0) tavrin.firstFrameAt = performance.now();
    },
    hidden: function() { return document.hidden || blurred; },
    setSuspended: function(on) {
      tavrin.suspended = on;
      if (!on) events.length = 0;
    },
  };
  Module.preRun = (Module.preRun || []).concat([function() {
    var FS = Module.FS;
    // Standard output and error byte for byte, as a native run prints them.
    FS.init(null, function(c) { if (c !== null) out.push(c); }, function(c) { if (c !== null) err.push(c); });
    FS.mkdirTree(workDir);
    FS.chdir(workDir);
    if (!files.length) return;
    Module.addRunDependency('tavrin-files');
    Promise.all(files).then(function(all) {
      all.forEach(function(f) { FS.writeFile(workDir + '/' + f[0], f[1]); });
      Module.removeRunDependency('tavrin-files');
    }, function(e) { fail(e.message); });
  }]);
  Module.onRuntimeInitialized = function() {
    if (tavrin.status === 'loading') tavrin.status = 'running';
  };
  Module.onExit = function(code) {
    tavrin.exitCode = code;
    tavrin.status = 'exited';
    if (!offscreenRun && window.tavrinNotices)
      window.tavrinNotices.show('exited', 'The game has ended. Reload the page to play again.');
  };
  Module.onAbort = function(what) { fail('the program stopped: ' + what); };

  if (tavrin.noWebAssembly) return;  // notices.js has said why
  // The program's code is fetched and compiled from here on, while tavrin.js loads, not after.
  var compiled = WebAssembly.compileStreaming
      ? WebAssembly.compileStreaming(fetch('tavrin.wasm')).catch(function() {
          // A server that does not call it application/wasm: compiled from the bytes.
          return fetch('tavrin.wasm').then(function(r) { return r.arrayBuffer(); }).then(WebAssembly.compile);
        })
      : fetch('tavrin.wasm').then(function(r) { return r.arrayBuffer(); }).then(WebAssembly.compile);
  Module.instantiateWasm = function(imports, receive) {
    // Instantiated at once, in the task that finished the compile: the asynchronous call
    // would wait behind the page's first layout and paint, and the program's first frame
    // behind them (20 to 30 ms here).
    compiled.then(function(module) {
      receive(new WebAssembly.Instance(module, imports), module);
    }).catch(function(e) { fail('cannot start the program: ' + e); });
    return {};
  };
  var script = document.createElement('script');
  script.src = 'tavrin.js';
  script.onerror = function() { fail('cannot load tavrin.js'); };
  document.body.appendChild(script);
})();
