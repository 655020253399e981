// The null sound back end (TAVRIN_SOUND=null), for machines built without the mixer: it
// prints every line the mixer's back end prints, in the same order and words, and plays
// nothing. A sample file that cannot be opened gets the load message the mixer's back end
// gives for it; the samples themselves are not decoded.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sound/sound.h"
#include "sound/sound_effects.h"

// The installed game points it at its installed copy before start-up (installed_main.cpp).
const char* soundDirectory = TAVRIN_SOUND_DIR;

// No channel is ever taken.
int lastSoundChannel = -1;

void SndInit() {
    std::printf("SndInit()\n");
    std::fflush(stdout);
    // The null device always opens.
    for (int i = 0; i < 8; ++i) {
        std::string path = std::string(soundDirectory) + soundSamples[i].file;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (f) {
            std::fclose(f);
            continue;
        }
        // The mixer's back end words it so: its call's name, the tag, its file library's reason
        // (tools/checks/check_sdl_names.sh grants this one text).
        std::printf("Mix_LoadWAV: %s Couldn't open %s\n", soundSamples[i].tag, path.c_str());
        std::fflush(stdout);
    }
}

void SndPlay(int number, uint8_t) {
    // Not flushed here, as in the mixer's back end: the loop flushes once per pass.
    std::printf("SndPlay %i\n", number);
    lastSoundChannel = -1;
}
