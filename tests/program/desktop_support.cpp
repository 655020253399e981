// The private X server as the desktop tests see it, through Xlib and xdotool.
#include "tests/program/desktop_support.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>
#include <chrono>
#include <thread>

namespace program {

namespace {
Display* dpy(void* d) { return static_cast<Display*>(d); }

void pollPause() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

int shiftOf(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        s++;
    }
    return s;
}
}  // namespace

// A request that fails (a window that just went away) gives an empty answer, not an exit.
static int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

XSession::XSession(const std::string& display) {
    XSetErrorHandler(ignoreXErrors);
    display_ = XOpenDisplay(display.c_str());
}

XSession::~XSession() {
    if (display_) {
        if (other_) XDestroyWindow(dpy(display_), other_);
        XCloseDisplay(dpy(display_));
    }
}

void XSession::sync() { XSync(dpy(display_), False); }

unsigned long XSession::findWindow(const std::string& title, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        Window root, parent, *children = nullptr;
        unsigned n = 0;
        Window found = 0;
        if (XQueryTree(dpy(display_), DefaultRootWindow(dpy(display_)), &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n && !found; i++) {
                char* name = nullptr;
                XWindowAttributes a;
                if (XFetchName(dpy(display_), children[i], &name) && name) {
                    if (title == name && XGetWindowAttributes(dpy(display_), children[i], &a) &&
                        a.map_state == IsViewable)
                        found = children[i];
                    XFree(name);
                }
            }
            if (children) XFree(children);
        }
        if (found) return found;
        pollPause();
    }
    return 0;
}

bool XSession::size(unsigned long window, int& width, int& height) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy(display_), window, &a)) return false;
    width = a.width;
    height = a.height;
    return true;
}

void XSession::resize(unsigned long window, int width, int height) {
    // At the top left corner, so that the whole window is on the screen.
    XMoveResizeWindow(dpy(display_), window, 0, 0, unsigned(width), unsigned(height));
    sync();
}

int XSession::iconSize(unsigned long window, int& height) {
    Display* d = dpy(display_);
    Atom icon = XInternAtom(d, "_NET_WM_ICON", False), type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    int width = 0;
    height = 0;
    if (XGetWindowProperty(d, window, icon, 0, 2, False, AnyPropertyType, &type, &format, &items, &after, &data) ==
            Success &&
        data && format == 32 && items == 2) {
        const long* v = reinterpret_cast<const long*>(data);  // format 32 comes as longs
        width = int(v[0]);
        height = int(v[1]);
    }
    if (data) XFree(data);
    return width;
}

Picture XSession::grab(unsigned long window) {
    Picture p;
    int w = 0, h = 0;
    if (!size(window, w, h)) return p;
    XImage* img = XGetImage(dpy(display_), window, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!img) return p;
    p.width = w;
    p.height = h;
    p.rgb.resize(size_t(w) * size_t(h) * 3);
    int rs = shiftOf(img->red_mask), gs = shiftOf(img->green_mask), bs = shiftOf(img->blue_mask);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned long v = XGetPixel(img, x, y);
            uint8_t* o = &p.rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
            o[0] = uint8_t((v & img->red_mask) >> rs);
            o[1] = uint8_t((v & img->green_mask) >> gs);
            o[2] = uint8_t((v & img->blue_mask) >> bs);
        }
    XDestroyImage(img);
    return p;
}

unsigned long XSession::otherWindow() {
    if (!other_) {
        Display* d = dpy(display_);
        other_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 50, 50, 0, 0, 0);
        XMapWindow(d, other_);
        sync();
    }
    return other_;
}

void XSession::focus(unsigned long window) {
    // Wait until it is viewable: the focus cannot go to a window that is not yet mapped.
    for (int i = 0; i < 200; i++) {
        XWindowAttributes a;
        if (XGetWindowAttributes(dpy(display_), window, &a) && a.map_state == IsViewable) break;
        pollPause();
    }
    XSetInputFocus(dpy(display_), window, RevertToParent, CurrentTime);
    sync();
}

int xdotool(const std::string& display, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, {{"DISPLAY", display}});
}

bool haveXdotool() { return access("/usr/bin/xdotool", X_OK) == 0; }

}  // namespace program
