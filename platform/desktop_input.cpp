// The desktop back end's input: the keyboard, the mouse, touch and game controllers as the
// handheld's keys and stylus. Held keys repeat as the toolkit delivered them (release-and-press
// pairs), a gamepad's too, at the keyboard's own pace; one finger is the stylus.
#include <SDL.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include "platform/desktop_backend.h"
#include "platform/toolkit.h"

namespace {

// The desktop's keys for the named keys of the key table (toolkit.h). The handheld's one
// Enter key has two here, both shifts, controls and alts are one key each, and the keypad's
// 8, 2, 4 and 6 are the cursor keys.
struct DesktopKey {
    SDL_Keycode sym;
    int code;
};
constexpr DesktopKey DesktopKeys[] = {
    {SDLK_UP, Key_Up},
    {SDLK_DOWN, Key_Down},
    {SDLK_LEFT, Key_Left},
    {SDLK_RIGHT, Key_Right},
    {SDLK_SPACE, Key_Space},
    {SDLK_RETURN, Key_Enter},
    {SDLK_KP_ENTER, Key_Enter},
    {SDLK_ESCAPE, Key_Escape},
    {SDLK_TAB, Key_Tab},
    {SDLK_BACKSPACE, Key_Backspace},
    {SDLK_INSERT, Key_Insert},
    {SDLK_DELETE, Key_Delete},
    {SDLK_PAUSE, Key_Pause},
    {SDLK_HOME, Key_Home},
    {SDLK_END, Key_End},
    {SDLK_PAGEUP, Key_PageUp},
    {SDLK_PAGEDOWN, Key_PageDown},
    {SDLK_LSHIFT, Key_Shift},
    {SDLK_RSHIFT, Key_Shift},
    {SDLK_LCTRL, Key_Control},
    {SDLK_RCTRL, Key_Control},
    {SDLK_LALT, Key_Alt},
    {SDLK_RALT, Key_Alt},
    {SDLK_KP_8, Key_Up},
    {SDLK_KP_2, Key_Down},
    {SDLK_KP_4, Key_Left},
    {SDLK_KP_6, Key_Right},
};

int toolkitKey(SDL_Keycode k) {
    for (const DesktopKey& d : DesktopKeys)
        if (d.sym == k) return d.code;
    if (k >= SDLK_F1 && k <= SDLK_F12) return Key_F1 + int(k - SDLK_F1);  // so F33 would be Key_F33
    if (k >= SDLK_F13 && k <= SDLK_F24) return Key_F13 + int(k - SDLK_F13);
    if (k >= 'a' && k <= 'z') return int(k) - 'a' + 'A';  // letters: the toolkit numbers them by their capital
    if (k >= 0x20 && k < 0x7f) return int(k);
    return 0;
}

// Gamepad buttons that act as the handheld's keys. A, B and Start are the device's own
// fire key, which no desktop keyboard has.
int padKey(int button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return Key_Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return Key_Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return Key_Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return Key_Right;
    case SDL_CONTROLLER_BUTTON_A:
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_START: return Key_F33;
    default: return 0;
    }
}

// The left stick counts as a cursor key once it is pushed past this (of 32767).
enum { StickDeadZone = 12000 };

}  // namespace

void DesktopInput::pen(std::deque<LayerEvent>& queue, EventKind kind, const Placement& place, int wx, int wy) {
    LayerEvent e{kind};
    windowToScreen(place, wx, wy, e.x, e.y);
    queue.push_back(e);
    if (kind == EventKind::PenPress)
        debugLine("layer: pen press at " + std::to_string(wx) + "," + std::to_string(wy) +
                  " of the window: " + std::to_string(e.x) + "," + std::to_string(e.y) + " of the screen");
}

void DesktopInput::key(std::deque<LayerEvent>& queue, int code, bool press, bool autoRepeat) {
    LayerEvent e{press ? EventKind::KeyPress : EventKind::KeyRelease};
    e.key = code;
    e.autoRepeat = autoRepeat;
    queue.push_back(e);
}

void DesktopInput::padEvents(std::deque<LayerEvent>& queue, const std::vector<HeldKeys::Event>& events) {
    for (const HeldKeys::Event& e : events) key(queue, e.key, e.press, e.autoRepeat);
}

// Learns the keyboard's repeat delay and interval from a held key.
void DesktopInput::keyboardRepeat(const SDL_KeyboardEvent& k, uint64_t now) {
    if (!k.repeat) {
        repeatKey = k.keysym.sym;
        repeatDownMs = now;
        repeatsSeen = 0;
        return;
    }
    if (k.keysym.sym != repeatKey) return;
    int gap = int(now - (repeatsSeen == 0 ? repeatDownMs : repeatLastMs));
    if (repeatsSeen == 0 && gap >= 100 && gap <= 2000)
        padKeys.delayMs = gap;
    else if (repeatsSeen == 1 && gap >= 10 && gap <= 500)
        padKeys.intervalMs = gap;
    repeatsSeen++;
    repeatLastMs = now;
}

void DesktopInput::keyboard(std::deque<LayerEvent>& queue, const SDL_KeyboardEvent& k, uint64_t now) {
    bool down = k.type == SDL_KEYDOWN;
    // Window keys of our own: the game never sees them.
    if (k.keysym.sym == SDLK_F11) {
        if (down && !k.repeat) fullscreenKey();
        return;
    }
    if (k.keysym.sym == SDLK_RETURN || k.keysym.sym == SDLK_KP_ENTER) {
        if (down && !k.repeat && (k.keysym.mod & KMOD_ALT)) {
            swallowReturn = true;
            fullscreenKey();
            return;
        }
        if (swallowReturn) {
            if (!down) swallowReturn = false;
            return;
        }
    }
    int code = toolkitKey(k.keysym.sym);
    if (!code) return;
    if (down) keyboardRepeat(k, now);
    if (down && k.repeat) {
        // The toolkit delivered a held key as release-and-press pairs.
        key(queue, code, false, true);
        key(queue, code, true, true);
        return;
    }
    key(queue, code, down, false);
}

void DesktopInput::padAdded(int index) {
    if (!SDL_IsGameController(index)) return;
    SDL_GameController* c = SDL_GameControllerOpen(index);
    if (!c) return;
    SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
    for (SDL_GameController* p : pads)
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(p)) == id) {
            SDL_GameControllerClose(c);  // already ours
            return;
        }
    pads.push_back(c);
    const char* name = SDL_GameControllerName(c);
    debugLine(std::string("layer: game controller '") + (name ? name : "?") + "'");
}

void DesktopInput::padRemoved(std::deque<LayerEvent>& queue, SDL_JoystickID id) {
    for (size_t i = 0; i < pads.size(); i++)
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pads[i])) == id) {
            SDL_GameControllerClose(pads[i]);
            pads.erase(pads.begin() + long(i));
            // Whatever it held is let go; another pad still holding a key keeps it
            // until its own release, which is rare enough to let go too.
            std::vector<HeldKeys::Event> events;
            padKeys.releaseAll(events);
            stickKeys.clear();
            padEvents(queue, events);
            debugLine("layer: game controller removed");
            return;
        }
}

// The stick's direction as one cursor key (the larger axis wins), or 0 inside the dead zone.
int DesktopInput::stickKey(SDL_GameController* c) const {
    int x = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
    int y = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY);
    if (std::max(std::abs(x), std::abs(y)) < StickDeadZone) return 0;
    if (std::abs(x) >= std::abs(y)) return x < 0 ? Key_Left : Key_Right;
    return y < 0 ? Key_Up : Key_Down;
}

void DesktopInput::stickMoved(std::deque<LayerEvent>& queue, SDL_JoystickID id, uint64_t now) {
    SDL_GameController* c = SDL_GameControllerFromInstanceID(id);
    if (!c) return;
    int want = stickKey(c);
    auto it = std::find_if(stickKeys.begin(), stickKeys.end(), [&](auto& s) { return s.first == id; });
    int had = it == stickKeys.end() ? 0 : it->second;
    if (want == had) return;
    std::vector<HeldKeys::Event> events;
    if (had) padKeys.hold(had, false, now, events);
    if (want) padKeys.hold(want, true, now, events);
    if (it == stickKeys.end())
        stickKeys.emplace_back(id, want);
    else
        it->second = want;
    padEvents(queue, events);
}

bool DesktopInput::handle(const SDL_Event& ev, std::deque<LayerEvent>& queue, bool off, uint64_t now,
                          const Placement& place, int surfaceW, int surfaceH) {
    switch (ev.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        // Keys held when the focus went come up (SDL lets go of them): the game must
        // not walk on with a key nobody holds.
        if (!off || ev.type == SDL_KEYUP) keyboard(queue, ev.key, now);
        return true;
    case SDL_MOUSEBUTTONDOWN:
        if (ev.button.which == SDL_TOUCH_MOUSEID || off) return true;
        if (ev.button.button == SDL_BUTTON_LEFT && !penDown) {
            penDown = true;
            pen(queue, EventKind::PenPress, place, ev.button.x, ev.button.y);
        }
        return true;
    case SDL_MOUSEMOTION:
        if (ev.motion.which != SDL_TOUCH_MOUSEID && penDown && !fingerDown)
            pen(queue, EventKind::PenMove, place, ev.motion.x, ev.motion.y);
        return true;
    case SDL_MOUSEBUTTONUP:
        if (ev.button.which != SDL_TOUCH_MOUSEID && ev.button.button == SDL_BUTTON_LEFT && penDown && !fingerDown) {
            penDown = false;
            pen(queue, EventKind::PenRelease, place, ev.button.x, ev.button.y);
        }
        return true;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP: {
        // One finger is the stylus; the others are ignored while it is down.
        bool mine = fingerDown && ev.tfinger.fingerId == finger;
        int wx = int(ev.tfinger.x * float(surfaceW)), wy = int(ev.tfinger.y * float(surfaceH));
        if (ev.type == SDL_FINGERDOWN && !penDown && !off) {
            fingerDown = penDown = true;
            finger = ev.tfinger.fingerId;
            pen(queue, EventKind::PenPress, place, wx, wy);
        } else if (ev.type == SDL_FINGERMOTION && mine) {
            pen(queue, EventKind::PenMove, place, wx, wy);
        } else if (ev.type == SDL_FINGERUP && mine) {
            fingerDown = penDown = false;
            pen(queue, EventKind::PenRelease, place, wx, wy);
        }
        return true;
    }
    case SDL_CONTROLLERDEVICEADDED: padAdded(ev.cdevice.which); return true;
    case SDL_CONTROLLERDEVICEREMOVED: padRemoved(queue, ev.cdevice.which); return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (int k = padKey(ev.cbutton.button); k && !off) {
            std::vector<HeldKeys::Event> events;
            padKeys.hold(k, ev.type == SDL_CONTROLLERBUTTONDOWN, now, events);
            padEvents(queue, events);
        }
        return true;
    case SDL_CONTROLLERAXISMOTION:
        if (!off && (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX || ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY))
            stickMoved(queue, ev.caxis.which, now);
        return true;
    default: return false;
    }
}

void DesktopInput::tick(std::deque<LayerEvent>& queue) {
    if (pads.empty()) return;
    std::vector<HeldKeys::Event> events;
    padKeys.tick(SDL_GetTicks64(), events);
    padEvents(queue, events);
}

void DesktopInput::releaseHeld(std::deque<LayerEvent>& queue) {
    std::vector<HeldKeys::Event> events;
    padKeys.releaseAll(events);
    stickKeys.clear();
    padEvents(queue, events);
}

// Game controllers present now or plugged in later arrive as device events. Looking for
// them (udev, the input and hidraw devices) is left until the first frame is on screen:
// nobody plays before then.
void DesktopInput::startPads() {
    if (padsAsked_) return;
    padsAsked_ = true;
    padSubsystem = !getenv("TAVRIN_NOPAD") && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

void DesktopInput::closePads() {
    for (SDL_GameController* c : pads) SDL_GameControllerClose(c);
    pads.clear();
    if (padSubsystem) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    padSubsystem = false;
}

// ---- test controls ----

namespace {
int virtualPadIndex = -1;
SDL_Joystick* virtualPad = nullptr;
}  // namespace

int desktopAttachVirtualPad() {
    DesktopBackend* b = desktopBackend();
    if (!b) return 1;
    b->input.startPads();
    if (!b->input.padSubsystem || virtualPad) return 1;
    SDL_VirtualJoystickDesc d;
    SDL_zero(d);
    d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    d.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    d.naxes = SDL_CONTROLLER_AXIS_MAX;
    d.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    d.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    d.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    d.name = "Tavrin test pad";
    virtualPadIndex = SDL_JoystickAttachVirtualEx(&d);
    if (virtualPadIndex < 0) return 1;
    virtualPad = SDL_JoystickOpen(virtualPadIndex);
    return virtualPad ? 0 : 1;
}

void desktopVirtualPadButton(PadButton b, bool down) {
    if (!virtualPad) return;
    static const SDL_GameControllerButton buttons[] = {SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,
                                                       SDL_CONTROLLER_BUTTON_START,     SDL_CONTROLLER_BUTTON_DPAD_UP,
                                                       SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
                                                       SDL_CONTROLLER_BUTTON_DPAD_RIGHT};
    SDL_JoystickSetVirtualButton(virtualPad, buttons[int(b)], down ? SDL_PRESSED : SDL_RELEASED);
}

void desktopVirtualPadStick(int x, int y) {
    if (!virtualPad) return;
    SDL_JoystickSetVirtualAxis(virtualPad, SDL_CONTROLLER_AXIS_LEFTX, Sint16(std::clamp(x, -32768, 32767)));
    SDL_JoystickSetVirtualAxis(virtualPad, SDL_CONTROLLER_AXIS_LEFTY, Sint16(std::clamp(y, -32768, 32767)));
}

void desktopDetachVirtualPad() {
    if (!virtualPad) return;
    SDL_JoystickClose(virtualPad);
    SDL_JoystickDetachVirtual(virtualPadIndex);
    virtualPad = nullptr;
    virtualPadIndex = -1;
}

void desktopTouch(TouchKind kind, int64_t finger, float x, float y) {
    DesktopBackend* b = desktopBackend();
    if (!b) return;
    SDL_Event e;
    SDL_zero(e);
    e.type = kind == TouchKind::Down ? SDL_FINGERDOWN : kind == TouchKind::Move ? SDL_FINGERMOTION : SDL_FINGERUP;
    e.tfinger.touchId = 1;
    e.tfinger.fingerId = finger;
    e.tfinger.x = x;
    e.tfinger.y = y;
    e.tfinger.pressure = kind == TouchKind::Up ? 0.0f : 1.0f;
    e.tfinger.windowID = b->window.id;
    SDL_PushEvent(&e);
}
