#include "app/app.h"
int32_t frameinit(int argc, char** argv) { return 0; }
void setControl(int index, bool down) {  }
void stylusEvent(int32_t x, int32_t y, bool isPress) {  }
void stylusPads(int32_t x, int32_t y, uint8_t bits) {  }
void mapDrag(int32_t dx, int32_t dy) {  }
#include "app/window.h"
tavrinWindow::tavrinWindow() : QMainWindow(nullptr, nullptr, WType_TopLevel) {}
tavrinWindow::~tavrinWindow() {}
void tavrinWindow::mousePressEvent(QMouseEvent*) {}
void tavrinWindow::mouseReleaseEvent(QMouseEvent*) {}
void tavrinWindow::mouseMoveEvent(QMouseEvent*) {}
void tavrinWindow::keyPressEvent(QKeyEvent*) {}
void tavrinWindow::keyReleaseEvent(QKeyEvent*) {}
void tavrinWindow::focusInEvent(QFocusEvent*) {}
void tavrinWindow::focusOutEvent(QFocusEvent*) {}
void tavrinWindow::closeEvent(QCloseEvent*) {}
void makeFullScreen(tavrinWindow*) {}
