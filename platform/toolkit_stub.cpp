// Placeholder back end: replaced by the real layer.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include "platform/system.h"
#include "platform/toolkit.h"

static uint8_t fb[240 * 320 * 2];
void qDebug(const char*, ...) {}
QWidget::QWidget(QWidget*, const char*, unsigned) {}
QWidget::~QWidget() {}
void QWidget::resize(int w, int h) { w_ = w; h_ = h; }
void QWidget::setFixedSize(const QSize& s) { w_ = s.w; h_ = s.h; }
void QWidget::showNormal() { visible_ = true; }
void QWidget::reparent(QWidget*, unsigned, const QPoint&, bool) {}
void QWidget::showFullScreen() { visible_ = true; active_ = true; }
void QWidget::show() { visible_ = true; }
void QWidget::hide() { visible_ = false; }
bool QWidget::isVisible() const { return visible_; }
bool QWidget::isActiveWindow() const { return active_; }
QSize QWidget::size() const { return QSize(w_, h_); }
int QWidget::width() const { return w_; }
int QWidget::height() const { return h_; }
QApplication::QApplication(int&, char**) {}
QApplication::~QApplication() {}
void QApplication::processEvents(int) {}
void QApplication::processEvents() {}
void QApplication::quit() {}
QWidget* QApplication::desktop() { static QWidget d; d.w_ = 240; d.h_ = 320; return &d; }
QPEApplication::QPEApplication(int& argc, char** argv, Type) : QApplication(argc, argv) {}
void QPEApplication::showMainWidget(QWidget* w, bool) { w->show(); w->active_ = true; }
void QPEApplication::grabKeyboard() {}
void QPEApplication::ungrabKeyboard() {}
QDirectPainter::QDirectPainter(QWidget*) {}
QDirectPainter::~QDirectPainter() {}
uint8_t* QDirectPainter::frameBuffer() { return fb; }
int QDirectPainter::lineStep() { return 480; }
int QDirectPainter::depth() { return 16; }
int QDirectPainter::width() { return 240; }
int QDirectPainter::height() { return 320; }
int QDirectPainter::transformOrientation() { return 0; }
QCopEnvelope::QCopEnvelope(const char* c, const char* m) : channel_(c), message_(m) {}
QCopEnvelope::~QCopEnvelope() {}
QCopEnvelope& QCopEnvelope::operator<<(const QString& s) { args_ += s.str(); return *this; }
QString QDir::homeDirPath() { const char* h = getenv("HOME"); return QString(h ? h : "/"); }
QFile::QFile(const QString& n) : name_(n.str()) {}
QFile::~QFile() { close(); }
bool QFile::open(int) { fd_ = ::open(name_.c_str(), O_RDWR | O_CREAT, 0644); return fd_ >= 0; }
int QFile::readBlock(char* d, unsigned n) { return fd_ < 0 ? -1 : (int)::read(fd_, d, n); }
int QFile::writeBlock(const char* d, unsigned n) { return fd_ < 0 ? -1 : (int)::write(fd_, d, n); }
void QFile::flush() {}
void QFile::close() { if (fd_ >= 0) ::close(fd_); fd_ = -1; }
int sysGettimeofday(struct timeval* tv) { return gettimeofday(tv, nullptr); }
int sysUsleep(unsigned us) { return usleep(us); }
int sysOpen(const char* p, int f) { return ::open(p, f); }
int sysIoctl(int fd, unsigned long r, unsigned long a) { return ioctl(fd, r, a); }
ssize_t sysRead(int fd, void* b, size_t n) { return ::read(fd, b, n); }
int sysClose(int fd) { return ::close(fd); }
int sysSystem(const char*) { return 0; }
#include "platform/offscreen.h"
bool offscreenActive() { return true; }
int64_t offscreenClockUs() { return 0; }
void offscreenAdvanceUs(int64_t) {}
void offscreenQueueKey(int, bool, bool) {}
void offscreenQueuePen(OffscreenPen, int, int) {}
void offscreenQueueFocus(bool) {}
void offscreenQueueClose() {}
const uint8_t* offscreenFramebuffer() { return fb; }
int offscreenSavePng(const char*) { return 0; }
