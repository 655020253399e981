// Whether this machine may have a sound output (used by the desktop back end before it asks
// SDL for one). No SDL in here, so that it can be tested anywhere.
#include <dirent.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include "platform/desktop.h"

namespace {

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Whether a folder holds an entry whose name starts with prefix (and ends with suffix).
bool hasEntry(const std::string& folder, const char* prefix, const char* suffix = "") {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    const size_t p = strlen(prefix), s = strlen(suffix);
    while (dirent* e = readdir(dir)) {
        const size_t n = strlen(e->d_name);
        if (n >= p + s && strncmp(e->d_name, prefix, p) == 0 && strcmp(e->d_name + n - s, suffix) == 0) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

bool mayHaveSoundOutput(const std::string& root) {
    for (const char* name : {"SDL_AUDIODRIVER", "AUDIODEV", "PULSE_SERVER", "PIPEWIRE_REMOTE", "ALSA_CONFIG_PATH",
                             "JACK_DEFAULT_SERVER"}) {
        const char* v = getenv(name);
        if (v && *v) return true;
    }
    if (hasEntry(root + "/dev/snd", "pcmC", "p") || exists(root + "/dev/dsp")) return true;
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    std::string run = runtime && *runtime ? root + runtime : root + "/run/user/" + std::to_string(getuid());
    for (const char* socket : {"/pulse/native", "/pipewire-0"})
        if (exists(run + socket)) return true;
    if (exists(root + "/run/pulse/native") || exists(root + "/var/run/pulse/native")) return true;
    // A JACK server keeps its sockets in /dev/shm (or /tmp on older set-ups).
    if (hasEntry(root + "/dev/shm", "jack") || hasEntry(root + "/tmp", "jack-")) return true;
    // An ALSA configuration may route the default device to a plug-in or another machine.
    const char* home = getenv("HOME");
    if (exists(root + "/etc/asound.conf") || (home && *home && exists(root + home + "/.asoundrc"))) return true;
    return false;
}
