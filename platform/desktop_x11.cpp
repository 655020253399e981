// What the desktop back end asks of X11 directly: whether the X server has sent anything
// that SDL has not read yet, and whether a window manager runs. Kept apart from desktop.cpp
// because Xlib's headers define names (KeyPress, None, Window...) that the layer uses for
// its own things.
#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>

// The window's X connection, or null when SDL's video driver is not X11.
void* x11Connection(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) return info.info.x11.display;
#else
    (void)window;
#endif
    return nullptr;
}

// True when events wait in Xlib's queue or bytes on the connection. Xlib's macros read the
// queue's length and the socket without a round trip; a failing poll counts as "something"
// so that the caller pumps, as it always did.
bool x11InputWaiting(void* connection) {
#if defined(SDL_VIDEO_DRIVER_X11)
    auto* display = static_cast<Display*>(connection);
    if (QLength(display) > 0) return true;
    pollfd p{ConnectionNumber(display), POLLIN, 0};
    return poll(&p, 1, 0) != 0;
#else
    (void)connection;
    return true;
#endif
}

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {
// Xlib's functions, taken from the library SDL has loaded already: the game does not link
// Xlib itself, so that an offscreen run never loads it.
struct Xlib {
    decltype(&::XInternAtom) internAtom = nullptr;
    decltype(&::XGetWindowProperty) getWindowProperty = nullptr;
    decltype(&::XFree) free = nullptr;
    decltype(&::XSync) sync = nullptr;
    decltype(&::XSetErrorHandler) setErrorHandler = nullptr;
    bool ok = false;
};

const Xlib& xlib() {
    static Xlib x = [] {
        Xlib f;
        void* lib = SDL_LoadObject("libX11.so.6");
        if (!lib) return f;
        f.internAtom = reinterpret_cast<decltype(f.internAtom)>(SDL_LoadFunction(lib, "XInternAtom"));
        f.getWindowProperty =
            reinterpret_cast<decltype(f.getWindowProperty)>(SDL_LoadFunction(lib, "XGetWindowProperty"));
        f.free = reinterpret_cast<decltype(f.free)>(SDL_LoadFunction(lib, "XFree"));
        f.sync = reinterpret_cast<decltype(f.sync)>(SDL_LoadFunction(lib, "XSync"));
        f.setErrorHandler = reinterpret_cast<decltype(f.setErrorHandler)>(SDL_LoadFunction(lib, "XSetErrorHandler"));
        f.ok = f.internAtom && f.getWindowProperty && f.free && f.sync && f.setErrorHandler;
        return f;  // the library stays loaded: SDL holds it for the whole run anyway
    }();
    return x;
}

bool xRequestFailed = false;
int noteXError(Display*, XErrorEvent*) {
    xRequestFailed = true;
    return 0;
}

// The window that a _NET_SUPPORTING_WM_CHECK property of `of` names, or 0.
Window supportingWindow(const Xlib& x, Display* display, Window of, Atom check) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    Window found = 0;
    if (x.getWindowProperty(display, of, check, 0, 1, False, XA_WINDOW, &type, &format, &items, &after, &data) ==
            Success &&
        data && type == XA_WINDOW && format == 32 && items == 1)
        found = Window(*reinterpret_cast<const unsigned long*>(data));  // format 32 comes as longs
    if (data) x.free(data);
    return found;
}
}  // namespace
#endif

// Whether a window manager runs on the window's screen, as window managers announce it: the
// root window's _NET_SUPPORTING_WM_CHECK names a window of the manager's, and that window,
// while it lives, names itself the same way. A manager that died leaves the root's property
// behind, naming a window that is gone. Border sizes tell nothing here: a manager reports
// them a while after the window is shown, and until then they read 0.
bool x11WindowManagerRunning(void* connection) {
#if defined(SDL_VIDEO_DRIVER_X11)
    const Xlib& x = xlib();
    if (!x.ok) return true;  // cannot tell: leave it to the window manager, as SDL would
    auto* display = static_cast<Display*>(connection);
    Atom check = x.internAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == 0) return false;  // nobody ever announced one on this server
    x.sync(display, False);
    // A window gone since is an error reply, not a reason to end the program.
    int (*previous)(Display*, XErrorEvent*) = x.setErrorHandler(noteXError);
    xRequestFailed = false;
    Window wm = supportingWindow(x, display, DefaultRootWindow(display), check);
    bool running = wm != 0 && supportingWindow(x, display, wm, check) == wm;
    x.sync(display, False);
    running = running && !xRequestFailed;
    x.setErrorHandler(previous);
    return running;
#else
    (void)connection;
    return true;
#endif
}
