// Stands in for the desktop back end in a build without SDL (TAVRIN_DESKTOP=OFF): the
// offscreen back end is the only one, and the null sound back end needs no driver.
#include <cstdio>
#include <cstdlib>
#include "platform/layer.h"

Backend* makeDesktopBackend(const LayerOptions&) {
    fprintf(stderr, "tavrin: this build has no desktop back end; run it with -platform offscreen\n");
    exit(1);
}

void chooseAudioDriver(Platform) {}
