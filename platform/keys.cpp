// The key table: one row per key the layer names.
#include "platform/keys.h"
#include "platform/toolkit.h"

const KeyName keyTable[] = {
    {Key_Up, "Up", true},
    {Key_Down, "Down", true},
    {Key_Left, "Left", true},
    {Key_Right, "Right", true},
    {Key_Space, "Space", true},
    {Key_Enter, "Enter", true},
    {Key_Return, "Return", true},
    {Key_F33, "F33", true},
    {Key_Escape, "Escape", true},
    // Keys the desktop passes on but no script names: scripts give them by number.
    {Key_Tab, "Tab", false},
    {Key_Backspace, "Backspace", false},
    {Key_Insert, "Insert", false},
    {Key_Delete, "Delete", false},
    {Key_Pause, "Pause", false},
    {Key_Home, "Home", false},
    {Key_End, "End", false},
    {Key_PageUp, "PageUp", false},
    {Key_PageDown, "PageDown", false},
    {Key_Shift, "Shift", false},
    {Key_Control, "Control", false},
    {Key_Alt, "Alt", false},
};
const int keyTableSize = int(sizeof keyTable / sizeof keyTable[0]);

int keyCodeForScriptName(const std::string& name) {
    for (const KeyName& k : keyTable)
        if (k.forScripts && name == k.name) return k.code;
    return -1;
}

const char* keyNameOf(int code) {
    for (const KeyName& k : keyTable)
        if (k.code == code) return k.name;
    return nullptr;
}
