// The browser's sound back end (TAVRIN_SOUND=web): the eight effects through the page's
// audio (sound/web_audio.js). It prints every line the mixer's back end prints, in the same
// order and words, so a run in the browser prints what the same run prints natively.
//
// The samples are the catalogue's own copies (samp_*.raw: the same PCM as the .wvx files,
// without the header), which the game carries anyway: nothing is fetched beside the page.
// Browsers keep audio locked until the player's first tap or key; effects played before that
// are dropped, not saved up to burst out at the first touch.
#include <cstdio>
#include <string>

#include "catalogue/resources.h"
#include "sound/sound.h"
#include "sound/sound_channels.h"
#include "sound/sound_effects.h"

extern "C" {
// sound/web_audio.js
void tavrin_audio_init();
void tavrin_audio_load(int index, const uint8_t* data, uint32_t bytes, int rate);
double tavrin_audio_time();
void tavrin_audio_play(int index, int loops, double length);
}

// Kept for the programs that set it; the browser's samples come from the catalogue.
const char* soundDirectory = TAVRIN_SOUND_DIR;

int lastSoundChannel = -1;

namespace {

// 16-bit signed mono, as the asset generator writes them.
constexpr int SampleRate = 22050;

double lengths[8];  // seconds; 0 for a sample that did not load
MixerChannels channels;

}  // namespace

void SndInit() {
    std::printf("SndInit()\n");
    std::fflush(stdout);
    // The page's audio always "opens": it is only locked until the first touch.
    tavrin_audio_init();
    for (int i = 0; i < 8; ++i) {
        std::string file = soundSamples[i].file;
        std::string raw = file.substr(0, file.rfind('.')) + ".raw";
        const EmbeddedArray& pcm = findEmbeddedFile(raw.c_str());
        if (pcm.size < 2) {
            lengths[i] = 0;
            // The mixer's back end words it so: its call's name, the tag, the reason
            // (tools/checks/check_sdl_names.sh grants this one text).
            std::printf("Mix_LoadWAV: %s Couldn't open %s\n", soundSamples[i].tag, raw.c_str());
            std::fflush(stdout);
            continue;
        }
        lengths[i] = double(pcm.size / 2) / SampleRate;
        tavrin_audio_load(i, pcm.data, pcm.size & ~1u, SampleRate);
    }
}

void SndPlay(int number, uint8_t loops) {
    // Not flushed here, as in the mixer's back end: the loop flushes once per pass.
    std::printf("SndPlay %i\n", number);
    lastSoundChannel = -1;
    if (number < 250 || number > 257 || lengths[number - 250] == 0) return;
    // Negative while the audio is locked (or the browser has none): nothing plays.
    double now = tavrin_audio_time();
    if (now < 0) return;
    lastSoundChannel = channels.start(now, lengths[number - 250], loops);
    if (lastSoundChannel >= 0) tavrin_audio_play(number - 250, loops, lengths[number - 250]);
}
