// main of the installed game. The build tree's binary (main.cpp) plays the samples of the source
// tree; the installed one plays its installed copy, which lies in the data folder beside its own
// folder (<prefix>/share/tavrin/sounds/ for <prefix>/bin/tavrin). Finding it from where the
// binary is, rather than from the prefix the build was configured with, lets the tree be
// installed under any prefix or moved as a whole.
#include <unistd.h>
#include <climits>
#include <cstring>
#include <string>

#include "app/app.h"

namespace {
std::string installedSoundDirectory;

void findInstalledSounds() {
#ifdef TAVRIN_INSTALLED_SOUND_DIR
    // A device package names the handheld's own sound folder.
    soundDirectory = TAVRIN_INSTALLED_SOUND_DIR;
#else
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe);
    if (n <= 0 || n >= ssize_t(sizeof exe)) {
        // No /proc, or a path too long to read whole: the prefix the build was configured for.
        soundDirectory = TAVRIN_CONFIGURED_SOUND_DIR;
        return;
    }
    // The binary's folder, then up one folder for each leading "../" of the relative path, so
    // that messages name the samples by a plain path.
    std::string folder(exe, size_t(n));
    folder.erase(folder.rfind('/'));
    const char* relative = TAVRIN_SOUNDS_FROM_BINARY;
    while (std::strncmp(relative, "../", 3) == 0 && folder.rfind('/') != std::string::npos) {
        folder.erase(folder.rfind('/'));
        relative += 3;
    }
    installedSoundDirectory = folder + "/" + relative;
    soundDirectory = installedSoundDirectory.c_str();
#endif
}
}  // namespace

int main(int argc, char** argv) {
    findInstalledSounds();
    return tavrinMain(argc, argv);
}
