// The toolkit classes themselves: widgets, the application object with its event delivery,
// the direct painter on the emulated framebuffer, the system channel, files. The window
// system under them is a back end (desktop.cpp or offscreen_backend.cpp).
#include "platform/toolkit.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "platform/layer.h"
#include "platform/record.h"

// ---- widgets ----

QWidget::QWidget(QWidget*, const char*, unsigned) {}

QWidget::~QWidget() {
    LayerState& L = layer();
    if (L.mainWidget == this) {
        L.mainWidget = nullptr;
        if (L.backend) L.backend->windowGone();
    }
}

void QWidget::resize(int w, int h) {
    w_ = w;
    h_ = h;
}
void QWidget::setFixedSize(const QSize& s) { resize(s.w, s.h); }
void QWidget::showNormal() { show(); }
void QWidget::reparent(QWidget*, unsigned, const QPoint&, bool showIt) {
    // A reparented top-level window is hidden until shown again, as in the toolkit.
    if (!showIt)
        hide();
    else
        show();
}
void QWidget::showFullScreen() {
    resize(ScreenWidth, ScreenHeight);
    show();
}
void QWidget::show() {
    visible_ = true;
    active_ = true;
}
void QWidget::hide() {
    visible_ = false;
    active_ = false;
}
bool QWidget::isVisible() const { return visible_; }
// Active: shown, and the window system's focus is on the program.
bool QWidget::isActiveWindow() const { return visible_ && active_ && layer().focused; }
QSize QWidget::size() const { return QSize(w_, h_); }
int QWidget::width() const { return w_; }
int QWidget::height() const { return h_; }

// ---- application ----

static volatile sig_atomic_t termRequested = 0;
static struct sigaction oldTermAction;

bool termPending() { return termRequested != 0; }

static void onSigTerm(int) {
    termRequested = 1;  // acted on in processEvents, as a close from the window system
}

QApplication::QApplication(int& argc, char** argv) {
    LayerState& L = layer();
    if (L.appExists) {
        fprintf(stderr, "tavrin: only one application object may exist at a time\n");
        exit(2);
    }
    LayerOptions options;
    std::string message;
    int r = parseLayerOptions(argc, argv, options, message);
    if (r == 1) {
        // Text that never reached its reader (a full disk) is a failure, not a success.
        if (fputs(message.c_str(), stdout) == EOF || fflush(stdout) != 0) {
            fprintf(stderr, "tavrin: cannot write to standard output: %s\n", strerror(errno));
            exit(2);
        }
        exit(0);
    }
    if (r == 2) {
        fprintf(stderr, "tavrin: %s\n", message.c_str());
        exit(2);
    }
    L.options = options;
    L.mainWidget = nullptr;
    L.focused = true;
    memset(L.framebuffer, 0, sizeof L.framebuffer);
    L.painters = 0;
    L.painted = false;
    L.quitCalled = false;
    L.closeDeliveredUs = -1;
    L.queue.clear();
    virtualNowUs = 0;
    termRequested = 0;

    debugLogOpen(options.debugLog);
    L.appExists = true;
    debugLogEarlyLines();
    sessionBegin(L.options);

    // From the moment a window can exist, SIGTERM closes it instead of killing the program.
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSigTerm;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, &oldTermAction);

    // Back end first (a bad script or a missing display ends the run before anything else),
    // then the sound driver, so that the game's own audio start-up finds a working one.
    if (options.platform == Platform::Offscreen)
        L.backend = makeOffscreenBackend(options);
    else
        L.backend = makeDesktopBackend(options);
    chooseAudioDriver(options.platform);
}

QApplication::~QApplication() {
    LayerState& L = layer();
    sigaction(SIGTERM, &oldTermAction, nullptr);
    sessionEnd();
    delete L.backend;
    L.backend = nullptr;
    L.mainWidget = nullptr;
    L.queue.clear();
    // The records start afresh for the next application object (a service command may be
    // recorded before the object exists, so they are not cleared on creation).
    L.debugLines.clear();
    L.systemCommands.clear();
    L.qcopMessages.clear();
    L.appExists = false;
    debugLogClose();
}

static void deliver(const LayerEvent& e) {
    LayerState& L = layer();
    QWidget* w = L.mainWidget;
    switch (e.kind) {
    case EventKind::Shot: {
        std::string error;
        if (writeScreenPng(L.framebuffer, L.options.orientation, e.path.c_str(), error)) {
            fprintf(stderr, "tavrin: cannot write the screenshot '%s': %s\n", e.path.c_str(), error.c_str());
            sessionFailing();
            exit(1);
        }
        debugLine("layer: screenshot " + e.path);
        return;
    }
    case EventKind::Stop:
        // The process was stopped (a suspended device) and is continued now.
        virtualNowUs += e.stopMs * 1000;
        debugLine("layer: stopped for " + std::to_string(e.stopMs / 1000) + " s, continuing");
        sessionRaiseContinue();
        return;
    case EventKind::FocusIn:
        // As the launcher would: bring the window back, then give it the focus.
        L.focused = true;
        if (w) {
            w->show();
            QFocusEvent fe;
            w->focusInEvent(&fe);
        }
        return;
    case EventKind::FocusOut:
        L.focused = false;
        if (w) {
            QFocusEvent fe;
            w->focusOutEvent(&fe);
        }
        return;
    case EventKind::Close:
        // The offscreen grace period runs from here: a stop delivered before the close has
        // already moved the clock, and must not count against the program.
        if (L.closeDeliveredUs < 0) L.closeDeliveredUs = virtualNowUs;
        break;
    default: break;
    }
    if (!w) return;
    switch (e.kind) {
    case EventKind::KeyPress: {
        QKeyEvent ke(e.key, e.autoRepeat);
        w->keyPressEvent(&ke);
        break;
    }
    case EventKind::KeyRelease: {
        QKeyEvent ke(e.key, e.autoRepeat);
        w->keyReleaseEvent(&ke);
        break;
    }
    case EventKind::PenPress: {
        QMouseEvent me(QPoint(e.x, e.y));
        w->mousePressEvent(&me);
        break;
    }
    case EventKind::PenMove: {
        QMouseEvent me(QPoint(e.x, e.y));
        w->mouseMoveEvent(&me);
        break;
    }
    case EventKind::PenRelease: {
        QMouseEvent me(QPoint(e.x, e.y));
        w->mouseReleaseEvent(&me);
        break;
    }
    case EventKind::Close: {
        QCloseEvent ce;
        w->closeEvent(&ce);
        break;
    }
    default: break;
    }
}

void QApplication::processEvents(int) { processEvents(); }

void QApplication::processEvents() {
    LayerState& L = layer();
    if (!L.appExists) return;
    pacingEventsAsked();
    if (L.backend) L.backend->pump(L.queue);
    if (termRequested) {
        termRequested = 0;
        debugLine("layer: SIGTERM, closing the window");
        L.queue.push_back(LayerEvent{EventKind::Close});
    }
    if (sessionActive()) sessionEvents(L.queue);
    // Handlers may queue nothing themselves, but a handler may delete the window: look the
    // main widget up again for every event.
    while (!L.queue.empty()) {
        LayerEvent e = std::move(L.queue.front());
        L.queue.pop_front();
        deliver(e);
    }
}

void QApplication::quit() { layer().quitCalled = true; }

QWidget* QApplication::desktop() {
    // The emulated device's screen.
    static QWidget* screen = [] {
        QWidget* d = new QWidget();
        d->w_ = ScreenWidth;
        d->h_ = ScreenHeight;
        return d;
    }();
    return screen;
}

QPEApplication::QPEApplication(int& argc, char** argv, Type) : QApplication(argc, argv) {}

void QPEApplication::showMainWidget(QWidget* w, bool) {
    layer().mainWidget = w;
    if (w) w->show();
}
// Every key already goes to our one window; there is no launcher to take any away.
void QPEApplication::grabKeyboard() {}
void QPEApplication::ungrabKeyboard() {}

// ---- direct painter ----

QDirectPainter::QDirectPainter(QWidget*) {
    LayerState& L = layer();
    if (L.painters++ == 0) L.painted = false;
}

QDirectPainter::~QDirectPainter() {
    LayerState& L = layer();
    // The frame reaches the screen when the last painter lets go of a framebuffer it took.
    if (--L.painters == 0 && L.painted) {
        L.painted = false;
        if (L.appExists && sessionActive()) sessionFrame(L.framebuffer, sizeof L.framebuffer);
        if (L.appExists && L.backend) L.backend->present(L.framebuffer, L.options.orientation);
    }
}

uint8_t* QDirectPainter::frameBuffer() {
    LayerState& L = layer();
    L.painted = true;
    return L.framebuffer;
}
int QDirectPainter::lineStep() { return framebufferGeometry(transformOrientation()).lineStep; }
int QDirectPainter::depth() { return 16; }
int QDirectPainter::width() { return framebufferGeometry(transformOrientation()).width; }
int QDirectPainter::height() { return framebufferGeometry(transformOrientation()).height; }
int QDirectPainter::transformOrientation() {
    const LayerState& L = layer();
    return L.appExists ? L.options.orientation : 0;
}

// ---- system channel ----

QCopEnvelope::QCopEnvelope(const char* c, const char* m) : channel_(c ? c : ""), message_(m ? m : "") {}

QCopEnvelope::~QCopEnvelope() {
    // There is no palmtop environment to receive it; the message is recorded instead.
    std::string line = "QCop " + channel_ + " " + message_ + args_;
    LayerState& L = layer();
    debugLine(line);
    if (L.appExists && L.options.platform == Platform::Offscreen) {
        L.qcopMessages.push_back(channel_ + " " + message_ + args_);
        printf("%s\n", line.c_str());
        fflush(stdout);
    }
}

QCopEnvelope& QCopEnvelope::operator<<(const QString& s) {
    args_ += " " + s.str();
    return *this;
}

// ---- files ----

QString QDir::homeDirPath() {
    const char* h = getenv("HOME");
    return QString(h && *h ? h : "/");
}

FileConvention fileConvention() {
    const LayerState& L = layer();
    return L.appExists && L.options.platform == Platform::Desktop ? FileConvention::Desktop : FileConvention::Handheld;
}

QString desktopDataDirPath() {
    // A relative path in the variable is not to be used, as the base directory rules say.
    const char* x = getenv("XDG_DATA_HOME");
    if (x && x[0] == '/') return QString(x);
    return QDir::homeDirPath() + QString::fromLatin1("/.local/share");
}

bool homeDirGiven() {
    const char* h = getenv("HOME");
    return h && h[0] == '/';
}

bool desktopDataDirGiven() {
    const char* x = getenv("XDG_DATA_HOME");
    return (x && x[0] == '/') || homeDirGiven();
}

QFile::QFile(const QString& n) : name_(n.str()) {}
QFile::~QFile() { close(); }

bool QFile::open(int mode) {
    close();
    int flags = O_CLOEXEC;
    if ((mode & IO_ReadWrite) == IO_ReadWrite)
        flags |= O_RDWR | O_CREAT;  // never truncated: bytes after what is written stay
    else if (mode & IO_WriteOnly)
        flags |= O_WRONLY | O_CREAT | ((mode & IO_Truncate) ? O_TRUNC : 0);
    else
        flags |= O_RDONLY;
    do fd_ = ::open(name_.c_str(), flags, 0644);
    while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

int QFile::readBlock(char* data, unsigned len) {
    if (fd_ < 0) return -1;
    unsigned done = 0;
    while (done < len) {
        ssize_t n = ::read(fd_, data + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return done ? int(done) : -1;
        if (n == 0) break;
        done += unsigned(n);
    }
    return int(done);
}

int QFile::writeBlock(const char* data, unsigned len) {
    if (fd_ < 0) return -1;
    unsigned done = 0;
    while (done < len) {
        ssize_t n = ::write(fd_, data + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done ? int(done) : -1;
        done += unsigned(n);
    }
    return int(done);
}

// Writes are not buffered here, so there is nothing to flush.
void QFile::flush() {}

void QFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int QFile::handle() const { return fd_; }

long QFile::size() const {
    struct stat st;
    if (fd_ >= 0 ? fstat(fd_, &st) : stat(name_.c_str(), &st)) return 0;
    return long(st.st_size);
}

bool QFile::at(long pos) { return fd_ >= 0 && lseek(fd_, pos, SEEK_SET) == pos; }

bool QFile::exists(const QString& name) { return access(name.latin1(), F_OK) == 0; }
