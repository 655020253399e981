// The sound driver the mixer gets, chosen before SDL starts. Lives with the desktop back end:
// it is the only part of the layer's start-up that needs SDL, and a build without SDL (null
// sound, offscreen only) leaves it out (platform/no_desktop.cpp stands in).
#include <SDL.h>
#include "platform/desktop.h"
#include "platform/layer.h"

void chooseAudioDriver(Platform platform) {
    // We deliver SIGTERM ourselves, as a close of the window.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (platform == Platform::Offscreen) {
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        return;
    }
    // The handheld always had a sound device; a desktop may not. Try to open the output the
    // game will ask for; if that fails, play in silence rather than refuse to start.
    bool works = false;
    const bool possible = mayHaveSoundOutput();
    int saved = silenceStderr();
    if (possible && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        SDL_AudioSpec want, have;
        SDL_zero(want);
        want.freq = 22050;
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        want.samples = 1024;
        SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_ANY_CHANGE);
        if (dev) {
            works = true;
            SDL_CloseAudioDevice(dev);
        }
        // A working output keeps its driver: the game's own start of the audio then only
        // opens the device, instead of looking for a driver all over again.
        if (!works) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    restoreStderr(saved);
    if (!works) {
        fprintf(stderr, "tavrin: no working sound output (%s); playing in silence\n",
                possible ? SDL_GetError() : "no sound device or sound server found");
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
}
