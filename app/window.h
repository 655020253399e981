// The game's one window: it owns the screen and turns key, stylus and focus events into
// the ControlFlags and the stylus globals.
#pragma once
#include "platform/toolkit.h"

class tavrinWindow : public QMainWindow {
public:
    tavrinWindow();
    ~tavrinWindow() override;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
};

// Only when the window is shown and active: borderless at (0, 0), the size of the desktop,
// shown full screen.
void makeFullScreen(tavrinWindow* window);
