// The one thing the desktop back end asks of X11 directly: whether the X server has sent
// anything that SDL has not read yet. Kept apart from desktop.cpp because Xlib's headers
// define names (KeyPress, None, Window...) that the layer uses for its own things.
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
