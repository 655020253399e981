// The page's side of the web back end (platform/web_backend.cpp), linked with --js-library.
// page.js gathers the input and keeps the test hooks; these functions are what the C++ calls.
mergeInto(LibraryManager.library, {
  // Moves up to max queued input events (five ints each) to out; returns how many.
  tavrin_web_take_events: function (out, max) {
    var queue = Module.page.events;
    var n = Math.min(max, queue.length);
    for (var i = 0; i < n; i++) {
      var e = queue[i];
      for (var j = 0; j < 5; j++) HEAP32[(out >> 2) + i * 5 + j] = e[j];
    }
    queue.splice(0, n);
    return n;
  },

  // One frame to the canvas, in a single putImageData.
  tavrin_web_show: function (rgba, width, height) {
    var page = Module.page;
    if (!page.image || page.image.width !== width || page.image.height !== height) {
      page.canvas.width = width;
      page.canvas.height = height;
      page.image = page.context.createImageData(width, height);
    }
    page.image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    page.context.putImageData(page.image, 0, 0);
    page.frameShown();
  },

  tavrin_web_hidden: function () {
    return Module.page.hidden() ? 1 : 0;
  },

  tavrin_web_set_suspended: function (on) {
    Module.page.setSuspended(!!on);
  },

  // Whether the stored files are still being read in (platform/web/storage.js).
  tavrin_web_storage_loading: function () {
    return window.tavrin.storage === 'loading' ? 1 : 0;
  },

  // The command line's words, each ended by a NUL; returns the bytes needed.
  tavrin_web_arguments: function (out, max) {
    var text = '';
    (Module.arguments || []).forEach(function (a) { text += a + '\0'; });
    var bytes = intArrayFromString(text, true);
    if (bytes.length <= max) HEAPU8.set(bytes, out);
    return bytes.length;
  },
});
