// The layer's key table, behind keyNameOf (toolkit.h).
// Internal header: only platform/ and its tests include it.
#pragma once
#include <string>

// Every key the layer names, with its toolkit code and its name in scripts, session logs and
// the playthrough tool. A script may name only the rows marked forScripts; it gives any other
// code by number. The desktop back end's keyboard and gamepad lists (platform/desktop.cpp)
// map onto these codes, since SDL's own names stay in there.
struct KeyName {
    int code;
    const char* name;
    bool forScripts;
};
extern const KeyName keyTable[];
extern const int keyTableSize;
// The code a script means by name, or -1 when scripts have no key of that name.
int keyCodeForScriptName(const std::string& name);
