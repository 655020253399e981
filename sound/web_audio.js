// The page's side of the sound effects (sound/sound_web.cpp): the samples as audio buffers,
// an audio context that starts at the player's first tap or key (browsers refuse to start
// one before), and one buffer source per effect played. Between effects the context rests
// (suspended): a running one keeps the device's audio busy, and a phone's battery with it.
//
// For tests, window.tavrin.audio is "locked" (waiting for a touch), "running" or
// "unavailable", and window.tavrin.effectsPlayed counts the effects that reached the audio.
mergeInto(LibraryManager.library, {
  $tavrinAudio: {
    // Per effect: the samples' bytes (kept until the context exists), then its buffer.
    pcm: [],
    rates: [],
    buffers: [],
    context: null,
    // Suspended by us, a while after the last effect ended; the next effect wakes it.
    resting: false,
    waking: false,
    restTimer: null,
    quietAt: 0,  // when the last effect started ends, on the context's clock
    REST_AFTER_MS: 2000,
    // The gestures that may start audio; touchend for the older mobile browsers, which
    // start it only there.
    gestures: ['pointerdown', 'mousedown', 'touchend', 'keydown'],

    report: function(state) {
      if (typeof window === 'object' && window.tavrin) window.tavrin.audio = state;
    },

    // Whether the audio is open to the game: started by the player, though perhaps resting
    // or waking (an effect started meanwhile plays the moment it is awake).
    open: function() {
      var c = tavrinAudio.context;
      return !!c && (c.state === 'running' || tavrinAudio.resting || tavrinAudio.waking);
    },

    resume: function() {
      var A = tavrinAudio;
      A.waking = true;
      var settle = function() {
        A.waking = false;
        A.report(A.open() ? 'running' : 'locked');
      };
      var started = A.context.resume();
      // Refused (not a gesture the browser counts): effects are dropped until the next one.
      if (started && started.then) started.then(settle, settle);
      else settle();
    },

    rest: function(afterMs) {
      var A = tavrinAudio;
      clearTimeout(A.restTimer);
      A.restTimer = setTimeout(function() {
        if (!A.context || A.context.state !== 'running') return;
        A.resting = true;
        var done = A.context.suspend();
        if (done && done.catch) done.catch(function() {});
      }, afterMs);
    },

    wake: function() {
      var A = tavrinAudio;
      if (!A.resting) return;
      A.resting = false;
      A.resume();
    },

    // Listens for good: a phone may suspend the audio again (a call, the app put away), and
    // the next touch starts it once more.
    unlock: function() {
      var A = tavrinAudio;
      if (A.context && (A.context.state === 'running' || A.waking)) return;
      try {
        if (A.resting) {
          // The touch's own effect, if it makes one, wakes it; else it goes back to rest.
          A.wake();
          A.rest(A.REST_AFTER_MS);
          return;
        }
        if (!A.context) {
          var Context = window.AudioContext || window.webkitAudioContext;
          if (!Context) {
            // No audio at all: the game plays silent.
            A.report('unavailable');
            return A.stopListening();
          }
          A.context = new Context();
          A.context.onstatechange = function() { A.report(A.open() ? 'running' : 'locked'); };
          for (var i = 0; i < A.pcm.length; ++i) A.makeBuffer(i);
        }
        A.resume();
        A.report(A.open() ? 'running' : 'locked');
        A.rest(A.REST_AFTER_MS);
      } catch (e) {
        A.report('unavailable');
        A.stopListening();
      }
    },

    stopListening: function() {
      tavrinAudio.gestures.forEach(function(name) {
        window.removeEventListener(name, tavrinAudio.unlock, true);
      });
    },

    makeBuffer: function(index) {
      var A = tavrinAudio, pcm = A.pcm[index];
      if (!A.context || !pcm) return;
      // Little-endian 16-bit samples, made floats only now: not in the way of the first frame.
      var count = pcm.length >> 1, buffer = A.context.createBuffer(1, count, A.rates[index]);
      var out = buffer.getChannelData(0);
      for (var i = 0; i < count; ++i) out[i] = ((pcm[2 * i] | (pcm[2 * i + 1] << 8)) << 16 >> 16) / 32768;
      A.buffers[index] = buffer;
      A.pcm[index] = null;
    },
  },

  tavrin_audio_init__deps: ['$tavrinAudio'],
  tavrin_audio_init: function() {
    if (typeof window === 'undefined') return;
    tavrinAudio.report('locked');
    if (window.tavrin) window.tavrin.effectsPlayed = 0;
    tavrinAudio.gestures.forEach(function(name) {
      window.addEventListener(name, tavrinAudio.unlock, true);
    });
  },

  tavrin_audio_load__deps: ['$tavrinAudio'],
  tavrin_audio_load: function(index, data, bytes, rate) {
    // A copy of the bytes (the catalogue does not promise their alignment).
    tavrinAudio.pcm[index] = HEAPU8.slice(data, data + (bytes & ~1));
    tavrinAudio.rates[index] = rate;
    tavrinAudio.buffers[index] = null;
    tavrinAudio.makeBuffer(index);
  },

  tavrin_audio_time__deps: ['$tavrinAudio'],
  tavrin_audio_time: function() {
    // A resting context's clock stands still, with every channel long free.
    return tavrinAudio.open() ? tavrinAudio.context.currentTime : -1;
  },

  tavrin_audio_play__deps: ['$tavrinAudio'],
  tavrin_audio_play: function(index, loops, length) {
    var A = tavrinAudio, buffer = A.buffers[index];
    if (!A.context || !buffer) return;
    try {
      // Started on a resting context, the effect plays the moment it wakes.
      A.wake();
      var source = A.context.createBufferSource();
      source.buffer = buffer;
      source.connect(A.context.destination);
      if (loops > 0) {
        // Played once and then loops more times, as the mixer counts them.
        source.loop = true;
        source.start();
        source.stop(A.context.currentTime + length * (loops + 1));
      } else {
        source.start();
      }
      if (window.tavrin) window.tavrin.effectsPlayed++;
      var now = A.context.currentTime;
      A.quietAt = Math.max(A.quietAt, now + length * (loops + 1));
      A.rest((A.quietAt - now) * 1000 + A.REST_AFTER_MS);
    } catch (e) {
      // A context the browser has closed plays nothing; the game goes on.
    }
  },
});
