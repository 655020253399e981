// The private X server as the desktop tests see it, through Xlib and xdotool.
#include "tests/program/desktop_support.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
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

namespace {
// The viewable window with this title among `parent`'s children, one level down too (a
// window manager puts each client inside a frame of its own).
Window findTitled(Display* d, Window parent, const std::string& title, int depth) {
    Window root, up, *children = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (!XQueryTree(d, parent, &root, &up, &children, &n)) return 0;
    for (unsigned i = 0; i < n && !found; i++) {
        char* name = nullptr;
        XWindowAttributes a;
        if (XFetchName(d, children[i], &name) && name) {
            if (title == name && XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
        if (!found && depth > 0) found = findTitled(d, children[i], title, depth - 1);
    }
    if (children) XFree(children);
    return found;
}

// The window that a WINDOW property of `w` names, or 0.
Window windowProperty(Display* d, Window w, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    Window found = 0;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1, False, XA_WINDOW, &type, &format, &items, &after,
                           &data) == Success &&
        data && format == 32 && items == 1)
        found = Window(*reinterpret_cast<const unsigned long*>(data));
    if (data) XFree(data);
    return found;
}
}  // namespace

unsigned long XSession::findWindow(const std::string& title, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        Window found = findTitled(dpy(display_), DefaultRootWindow(dpy(display_)), title, 2);
        if (found) return found;
        pollPause();
    }
    return 0;
}

bool XSession::position(unsigned long window, int& x, int& y) {
    Window child;
    Display* d = dpy(display_);
    return XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
}

bool XSession::hasState(unsigned long window, const std::string& state) {
    Display* d = dpy(display_);
    Atom want = XInternAtom(d, state.c_str(), False), type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM, &type, &format,
                           &items, &after, &data) == Success &&
        data && format == 32) {
        const long* atoms = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i < items; i++) found = found || Atom(atoms[i]) == want;
    }
    if (data) XFree(data);
    return found;
}

void XSession::requestState(unsigned long window, bool add, const std::string& state1, const std::string& state2) {
    Display* d = dpy(display_);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "_NET_WM_STATE", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = add ? 1 : 0;
    e.xclient.data.l[1] = long(XInternAtom(d, state1.c_str(), False));
    e.xclient.data.l[2] = state2.empty() ? 0 : long(XInternAtom(d, state2.c_str(), False));
    e.xclient.data.l[3] = 2;  // a pager or task bar asks: the player's own doing
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    sync();
}

bool XSession::framedByWindowManager(int timeoutMs) {
    Display* d = dpy(display_);
    // A window mapped while the manager is still starting may be passed over for good, so
    // a probe that is not framed soon is replaced by a new one.
    bool framed = false;
    for (int waited = 0; waited <= timeoutMs && !framed;) {
        Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 20, 20, 0, 0, 0);
        XMapWindow(d, probe);
        sync();
        for (int tried = 0; tried < 1000 && !framed; tried += 10, waited += 10) {
            Window root, parent, *children = nullptr;
            unsigned n = 0;
            if (XQueryTree(d, probe, &root, &parent, &children, &n)) framed = parent != root;
            if (children) XFree(children);
            if (!framed) pollPause();
        }
        XDestroyWindow(d, probe);
        sync();
    }
    return framed;
}

bool XSession::windowManagerRunning() {
    Display* d = dpy(display_);
    Window wm = windowProperty(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK");
    return wm != 0 && windowProperty(d, wm, "_NET_SUPPORTING_WM_CHECK") == wm;
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

bool WindowManager::available() { return access("/usr/bin/openbox", X_OK) == 0; }

WindowManager::WindowManager(const std::string& display, const std::string& home) {
    if (!available() || display.empty()) return;
    fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        setenv("DISPLAY", display.c_str(), 1);
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_CACHE_HOME");
        unsetenv("XDG_DATA_HOME");
        execl("/usr/bin/openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid_ < 0) return;
    XSession x(display);
    int status = 0;
    bool announced = false;
    for (int waited = 0; x.ok() && waited < 120000 && !announced; waited += 10) {
        announced = x.windowManagerRunning();
        if (announced || waitpid(pid_, &status, WNOHANG) == pid_) break;  // announced, or gone
        pollPause();
    }
    // openbox announces itself before it has loaded its theme and begun to serve: it is
    // ready once it has framed a window of ours.
    running_ = announced && x.framedByWindowManager(120000);
}

WindowManager::~WindowManager() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
}

int xdotool(const std::string& display, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, {{"DISPLAY", display}});
}

bool haveXdotool() { return access("/usr/bin/xdotool", X_OK) == 0; }

}  // namespace program
