// The window: full screen, keyboard grabbed, and the mapping of keys and stylus to the
// ControlFlags, the two stylus direction pads of the play view and the map-view drag.
#include "app/window.h"

#include "app/app.h"
#include "game/state.h"

static int frameArgc;  // the application object keeps a reference to its argument count

int32_t frameinit(int argc, char** argv) {
    qDebug("frameinit\n");
    frameArgc = argc;
    appHandles.application = new QPEApplication(frameArgc, argv, QPEApplication::GuiClient);
    tavrinWindow* window = new tavrinWindow();
    appHandles.window = window;
    appHandles.application->showMainWidget(window, false);
    window->resize(240, 320);
    QPEApplication::grabKeyboard();
    makeFullScreen(window);
    return 0;
}

tavrinWindow::tavrinWindow() : QMainWindow(nullptr, nullptr, WType_TopLevel) { qDebug("tavrinWidget::tavrinWindow\n"); }

tavrinWindow::~tavrinWindow() {}

void makeFullScreen(tavrinWindow* window) {
    // Only a window that is on screen and has the focus may take the whole screen.
    if (!window->isVisible() || !window->isActiveWindow()) return;
    window->setFixedSize(QApplication::desktop()->size());
    window->showNormal();
    window->reparent(nullptr, WStyle_Customize, QPoint(0, 0), false);
    window->showFullScreen();
}

// The key table: toolkit key code to control index, or -1 for keys the game ignores.
static int controlForKey(int key) {
    switch (key) {
    case Key_Up: return ControlUp;
    case Key_Down: return ControlDown;
    case Key_Left: return ControlLeft;
    case Key_Right: return ControlRight;
    case Key_Space:
    case Key_Enter:
    case Key_F33: return ControlFire;
    default: return -1;
    }
}

void setControl(int index, bool down) {
    if (down) {
        // A pressed edge only from an idle byte: a key still held, an unconsumed press or a
        // stylus bit on the same control gives no new press.
        if (ControlFlags[index] == 0) ControlFlags[index] |= FlagPressed;
        ControlFlags[index] |= FlagHeld;
    } else {
        // FlagPressed stays until the next tick ends, so a quick tap between ticks counts.
        ControlFlags[index] &= uint8_t(~FlagHeld);
    }
}

void tavrinWindow::keyPressEvent(QKeyEvent* e) {
    qDebug("tavrinWidget::keyPressEvent %i", e->key());
    int index = controlForKey(e->key());
    if (index >= 0) setControl(index, true);
}

void tavrinWindow::keyReleaseEvent(QKeyEvent* e) {
    qDebug("tavrinWindow::keyReleaseEvent");
    int index = controlForKey(e->key());
    if (index >= 0) setControl(index, false);
}

void tavrinWindow::mousePressEvent(QMouseEvent* e) {
    qDebug("tavrinWidget::mousePressEvent");
    stylusDown = 1;
    stylusEvent(e->x(), e->y(), true);
}

void tavrinWindow::mouseMoveEvent(QMouseEvent* e) {
    qDebug("tavrinWidget::mouseMoveEvent");
    if (stylusDown != 0) stylusEvent(e->x(), e->y(), false);
}

void tavrinWindow::mouseReleaseEvent(QMouseEvent*) {
    qDebug("tavrinWidget::mouseReleaseEvent");
    stylusDown = 0;
    stylusEvent(-1, -1, false);
}

void tavrinWindow::focusInEvent(QFocusEvent*) { makeFullScreen(this); }

void tavrinWindow::focusOutEvent(QFocusEvent*) {
    // The loop keeps running; no frame reaches the display while we are hidden.
    hide();
}

void tavrinWindow::closeEvent(QCloseEvent*) {
    // Closing the window (or SIGTERM) ends the game like the main menu's Quit: the loop
    // finishes its pass and the normal shutdown saves progress and exits with status 0.
    qDebug("tavrinWindow::closeEvent");
    quitRequested = 1;
}

void stylusEvent(int32_t x, int32_t y, bool isPress) {
    if (!isPress && x != -1 && y != -1) mapDrag(x - stylusLastX, y - stylusLastY);
    stylusLastX = x;
    stylusLastY = y;
    if (isPress) {
        // Offered to the touch zones of the next drawn frame, which then forgets it.
        stylusTapX = x;
        stylusTapY = y;
    }
    uint8_t bits = isPress ? uint8_t(FlagStylus | FlagPressed) : uint8_t(FlagStylus);
    for (uint8_t& c : ControlFlags) c &= uint8_t(~FlagStylus);
    // Signed bounds on purpose: the release position (-1, -1) passes and clears the pads.
    if (x <= 239 && y <= 319 && game.mode == Play) stylusPads(x, y, bits);
}

void stylusPads(int32_t x, int32_t y, uint8_t bits) {
    // Dead centre, on the player: no direction.
    if (x >= 112 && x <= 127 && y >= 112 && y <= 127) return;
    // The square around the player, cut by its diagonals into up, left, right and down.
    if (x >= 40 && x <= 199 && y >= 40 && y <= 199) {
        int index = 0;
        if (x + y > 239) index = 3;
        if (y - x >= 0) index ^= 2;
        ControlFlags[index] |= bits;
    }
    // The direction pad drawn in the panel, cut the same way about (121, 279.5).
    if (x >= 85 && x <= 154 && y >= 246 && y <= 315) {
        int index = 0;
        if (x + y > 400) index = 3;
        if (y - x > 158) index ^= 2;
        ControlFlags[index] |= bits;
    }
}

void mapDrag(int32_t dx, int32_t dy) {
    // The map follows the pen, once the view has faded in.
    if (game.mode != MapView || game.fadeLevel <= 255) return;
    game.mapViewX -= dx;
    game.mapViewY -= dy;
}
