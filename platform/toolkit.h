// Our stand-in for the handheld's windowing toolkit. The game is written against these
// operations, under the toolkit's own names; the desktop back end puts them on an SDL2
// window, the offscreen back end on a virtual clock and a script. No SDL name leaks out.
#pragma once
#include <cstdint>
#include <string>

// Key codes as the toolkit numbers them (letters and other printable keys: their ASCII
// code, letters by their capital).
enum Key {
    Key_Escape = 0x1000,
    Key_Tab = 0x1001,
    Key_Backspace = 0x1003,
    Key_Return = 0x1004,
    Key_Enter = 0x1005,
    Key_Insert = 0x1006,
    Key_Delete = 0x1007,
    Key_Pause = 0x1008,
    Key_Home = 0x1010,
    Key_End = 0x1011,
    Key_Left = 0x1012,
    Key_Up = 0x1013,
    Key_Right = 0x1014,
    Key_Down = 0x1015,
    Key_PageUp = 0x1016,
    Key_PageDown = 0x1017,
    Key_Shift = 0x1020,
    Key_Control = 0x1021,
    Key_Alt = 0x1023,
    Key_F1 = 0x1030,   // F1..F12 follow on
    Key_F13 = 0x103c,  // F13..F24 follow on
    Key_F33 = 0x1050,  // the handheld's fire key; no desktop keyboard has it
    Key_Space = 0x20,
};

// The name of a key in scripts, session logs and the playthrough tool (the layer's key
// table, platform/keys.h), or nullptr.
const char* keyNameOf(int code);

enum { IO_ReadOnly = 0x0001, IO_WriteOnly = 0x0002, IO_ReadWrite = 0x0003, IO_Truncate = 0x0008 };
enum { WStyle_Customize = 0x10, WType_TopLevel = 0x01 };

// The debug log: quiet unless a layer option sends it somewhere. printf-style.
void qDebug(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

class QString {
public:
    QString() = default;
    QString(const char* s) : s_(s ? s : "") {}
    QString(std::string s) : s_(std::move(s)) {}
    static QString fromLatin1(const char* s) { return QString(s); }
    QString operator+(const QString& o) const { return QString(s_ + o.s_); }
    const char* latin1() const { return s_.c_str(); }
    const std::string& str() const { return s_; }
    bool isEmpty() const { return s_.empty(); }

private:
    std::string s_;
};

struct QPoint {
    int xp = 0, yp = 0;
    QPoint() = default;
    QPoint(int x, int y) : xp(x), yp(y) {}
    int x() const { return xp; }
    int y() const { return yp; }
};

struct QSize {
    int w = 0, h = 0;
    QSize() = default;
    QSize(int w_, int h_) : w(w_), h(h_) {}
    int width() const { return w; }
    int height() const { return h; }
};

class QKeyEvent {
public:
    QKeyEvent(int key, bool autoRepeat) : key_(key), autoRepeat_(autoRepeat) {}
    int key() const { return key_; }
    bool isAutoRepeat() const { return autoRepeat_; }

private:
    int key_;
    bool autoRepeat_;
};

class QMouseEvent {
public:
    explicit QMouseEvent(QPoint p) : pos_(p) {}
    QPoint pos() const { return pos_; }
    int x() const { return pos_.x(); }
    int y() const { return pos_.y(); }

private:
    QPoint pos_;
};

class QFocusEvent {};
class QCloseEvent {};

class QWidget {
public:
    explicit QWidget(QWidget* parent = nullptr, const char* name = nullptr, unsigned flags = 0);
    virtual ~QWidget();
    QWidget(const QWidget&) = delete;
    QWidget& operator=(const QWidget&) = delete;

    void resize(int w, int h);
    void setFixedSize(const QSize& s);
    void showNormal();
    void reparent(QWidget* parent, unsigned flags, const QPoint& p, bool showIt = false);
    void showFullScreen();
    void show();
    void hide();
    bool isVisible() const;
    bool isActiveWindow() const;
    QSize size() const;
    int width() const;
    int height() const;

    virtual void mousePressEvent(QMouseEvent*) {}
    virtual void mouseReleaseEvent(QMouseEvent*) {}
    virtual void mouseMoveEvent(QMouseEvent*) {}
    virtual void keyPressEvent(QKeyEvent*) {}
    virtual void keyReleaseEvent(QKeyEvent*) {}
    virtual void focusInEvent(QFocusEvent*) {}
    virtual void focusOutEvent(QFocusEvent*) {}
    // The window system asks the window to close (desktop close button, scripted close, SIGTERM).
    virtual void closeEvent(QCloseEvent*) {}

    // Layer bookkeeping, not part of the toolkit's surface.
    bool visible_ = false;
    bool active_ = false;
    int w_ = 0, h_ = 0;
};

class QMainWindow : public QWidget {
public:
    explicit QMainWindow(QWidget* parent = nullptr, const char* name = nullptr, unsigned flags = 0)
        : QWidget(parent, name, flags) {}
};

class QApplication {
public:
    QApplication(int& argc, char** argv);
    virtual ~QApplication();
    QApplication(const QApplication&) = delete;
    QApplication& operator=(const QApplication&) = delete;

    // Delivers pending window events now, synchronously; nothing is delivered elsewhere.
    void processEvents(int maxMs);
    void processEvents();
    void quit();
    static QWidget* desktop();
};

class QPEApplication : public QApplication {
public:
    enum Type { GuiClient = 0 };
    QPEApplication(int& argc, char** argv, Type t = GuiClient);
    void showMainWidget(QWidget* w, bool nomax = false);
    static void grabKeyboard();
    static void ungrabKeyboard();
};

// Direct access to the emulated framebuffer while the object exists.
class QDirectPainter {
public:
    explicit QDirectPainter(QWidget* w);
    ~QDirectPainter();
    QDirectPainter(const QDirectPainter&) = delete;
    QDirectPainter& operator=(const QDirectPainter&) = delete;
    uint8_t* frameBuffer();
    int lineStep();
    int depth();
    int width();
    int height();
    int transformOrientation();
};

// A message on a system channel; it is sent when the envelope is destroyed.
class QCopEnvelope {
public:
    QCopEnvelope(const char* channel, const char* message);
    ~QCopEnvelope();
    QCopEnvelope(const QCopEnvelope&) = delete;
    QCopEnvelope& operator=(const QCopEnvelope&) = delete;
    QCopEnvelope& operator<<(const QString& s);

private:
    std::string channel_, message_, args_;
};

class QDir {
public:
    static QString homeDirPath();
};

// Where the running back end keeps the program's own files. Handheld: the places the handheld
// gave them under the home directory (the offscreen back end stands in for the handheld, and
// so does a program without an application object: tools, tests). Desktop: the Linux
// desktop's base directories.
enum class FileConvention { Handheld, Desktop };
FileConvention fileConvention();
// The desktop's folder for programs' data: $XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share.
QString desktopDataDirPath();
// Whether the environment names a home folder (HOME set to an absolute path): homeDirPath()
// gives the root folder when it does not, as the toolkit did. The second: whether
// desktopDataDirPath() names a folder of the user's (XDG_DATA_HOME absolute, or a home).
bool homeDirGiven();
bool desktopDataDirGiven();

// A file opened read-write is created when missing and never truncated.
class QFile {
public:
    explicit QFile(const QString& name);
    ~QFile();
    QFile(const QFile&) = delete;
    QFile& operator=(const QFile&) = delete;
    bool open(int mode);
    int readBlock(char* data, unsigned len);
    int writeBlock(const char* data, unsigned len);
    void flush();
    void close();
    // The open file's descriptor (-1 when closed), for fsync and the like.
    int handle() const;
    long size() const;
    // Moves the read/write position.
    bool at(long pos);
    static bool exists(const QString& name);

private:
    std::string name_;
    int fd_ = -1;
};
