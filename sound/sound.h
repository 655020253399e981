// The eight sound effects of the game, played through the mixer (or printed only, by the
// null build).
#pragma once
#include <cstdint>

// Sound effects 250..257. The samples are read from soundDirectory (ends with '/'),
// fixed at build time.
enum SoundEffect : int {
    SoundDiamond = 250,        // the player takes a diamond
    SoundHatch = 251,          // a monster comes into a free slot
    SoundKey = 252,            // a key is taken and the safes open
    SoundMonsterKilled = 253,  // a monster is crushed
    SoundDeath = 254,          // the player's death starts
    SoundCursor = 255,         // a menu cursor moves
    SoundRock = 256,           // the falling pass moved a rock or an egg
    SoundSelect = 257,         // an entry or a screen is confirmed
};
extern const char* soundDirectory;
// Opens the audio device (exits when it cannot) and loads the eight samples; a sample that
// fails is reported and stays silent.
void SndInit();
// Prints "SndPlay n" and plays effect number (one of SoundEffect) once plus loops repeats;
// other numbers only print.
void SndPlay(int number, uint8_t loops);
// The mixer channel the last SndPlay started, or -1 when it played nothing.
extern int lastSoundChannel;
