// Offline play: a copy of every file of the page, taken when the page is first visited and
// served from then on before the network is asked. The build fills in its own name and file
// list (platform/web/stamp_sw.cmake): a new build has a new name, so it replaces the old copy
// as soon as a visit finds it, and the old copy is deleted.
'use strict';
var CACHE = 'tavrin-@TAVRIN_BUILD@';
var FILES = [@TAVRIN_FILES@];

self.addEventListener('install', function(event) {
  // Checked with the server ("no-cache"), so the copy is this build's and not an older file's
  // from the browser's HTTP cache, yet a file the page has just loaded is not sent again.
  event.waitUntil(caches.open(CACHE)
                      .then(function(cache) {
                        return cache.addAll(FILES.map(function(f) { return new Request(f, {cache: 'no-cache'}); }));
                      })
                      .then(function() { return self.skipWaiting(); }));
});

self.addEventListener('activate', function(event) {
  event.waitUntil(caches.keys()
                      .then(function(names) {
                        return Promise.all(names.filter(function(n) { return n.indexOf('tavrin-') === 0 && n !== CACHE; })
                                               .map(function(n) { return caches.delete(n); }));
                      })
                      .then(function() { return self.clients.claim(); }));
});

self.addEventListener('fetch', function(event) {
  var request = event.request;
  if (request.method !== 'GET') return;
  var url = new URL(request.url);
  if (url.origin !== self.location.origin) return;
  var scope = new URL(self.registration.scope);
  var key = request;
  if (request.mode === 'navigate') {
    // The page itself, whatever its parameters; any other page under it is the network's.
    if (url.pathname !== scope.pathname && url.pathname !== scope.pathname + 'index.html') return;
    key = new URL('index.html', scope).href;
  }
  event.respondWith(caches.open(CACHE)
                        .then(function(cache) { return cache.match(key); })
                        .then(function(hit) { return hit || fetch(request); }));
});
