// The eight sound effects' sample files and the tags their load messages use, numbers
// 250..257 in this order; shared by the mixer's back end (sound.cpp) and the null one
// (sound_null.cpp), which print the same lines.
#pragma once

struct SoundSample {
    const char* file;
    const char* tag;
};
inline constexpr SoundSample soundSamples[8] = {
    {"samp_dia.wvx", "dia"}, {"samp_egg.wvx", "egg"}, {"samp_key.wvx", "key"},   {"samp_km.wvx", "km"},
    {"samp_kt.wvx", "kt"},   {"samp_opt.wvx", "opt"}, {"samp_rock.wvx", "rock"}, {"samp_sel.wvx", "sel"},
};
