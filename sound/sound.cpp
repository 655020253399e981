// The eight sound effects, loaded once at start-up and played fire-and-forget on any free
// mixer channel. Every effect and every load failure is printed on standard output.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL.h>
#include <SDL_mixer.h>

#include "sound/sound.h"
#include "sound/sound_effects.h"

// The installed game points it at its installed copy before start-up (installed_main.cpp).
const char* soundDirectory = TAVRIN_SOUND_DIR;

namespace {
Mix_Chunk* samples[8];
}  // namespace

int lastSoundChannel = -1;

void SndInit() {
    std::printf("SndInit()\n");
    std::fflush(stdout);
    SDL_Init(SDL_INIT_AUDIO);
    if (Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) == -1) {
        std::printf("Mix_OpenAudio: %s\n", SDL_GetError());
        std::fflush(stdout);
        std::exit(1);
    }
    for (int i = 0; i < 8; ++i) {
        std::string path = std::string(soundDirectory) + soundSamples[i].file;
        // Only matters if the samples are loaded twice; the program itself loads them once.
        if (samples[i]) Mix_FreeChunk(samples[i]);
        // A file that cannot be opened is not handed to the mixer, so that the error names
        // the file rather than the mixer's null argument.
        SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "rb");
        samples[i] = rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
        if (!samples[i]) {
            std::printf("Mix_LoadWAV: %s %s\n", soundSamples[i].tag, SDL_GetError());
            std::fflush(stdout);
        }
    }
}

void SndPlay(int number, uint8_t loops) {
    // Not flushed here: a busy falling pass plays thousands of effects, and a system call for
    // each would cost more than the pass. The loop flushes once per pass, and every way out
    // of the program goes through exit(), which flushes the rest.
    std::printf("SndPlay %i\n", number);
    // A missing sample stays null and the mixer refuses it: that effect is silent.
    lastSoundChannel = -1;
    if (number >= 250 && number <= 257 && samples[number - 250])
        lastSoundChannel = Mix_PlayChannelTimed(-1, samples[number - 250], loops, -1);
}
