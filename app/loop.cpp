// The program: start-up, the fixed-step loop (10 ms ticks, bounded catch-up, one frame per
// pass that ran ticks) and the shutdown that tells the palmtop environment we are closing.
#include <sys/time.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/app.h"
#include "app/window.h"
#include "game/state.h"
#include "gfx/graphics.h"
#include "platform/system.h"
#include "platform/toolkit.h"
#include "store/progress.h"

uint32_t framesDrawn;

void resyncClock() { nextTickTime = nowMs(); }

int32_t loopPass() {
    QPEApplication* app = appHandles.application;
    int64_t now = nowMs();
    int32_t ticks = 0;
    while (now - nextTickTime >= 0) {
        // Events are delivered only here, before the pass's ticks, so a press and release
        // within one pass still leaves its pressed bit for the first tick.
        if (app) app->processEvents(1);
        // After a stall of half a second or more, drop the backlog instead of replaying it.
        if (now - nextTickTime > 499) resyncClock();
        if (app) app->processEvents(1);
        ticks += 1;
        nextTickTime += 10;
    }
    // Ticks beyond 12 are dropped, not deferred: a slow frame never snowballs.
    if (ticks > 12) ticks = 12;
    for (int32_t i = 0; i < ticks; ++i) gameTick();
    if (ticks > 0) {
        refreshScreen();
        framesDrawn += 1;
    }
    // The sound lines of this pass, in one write.
    std::fflush(stdout);
    if (!rtcSleep(4000)) {
        qDebug("Can't rtc sleep!");
        sysUsleep(4000);
    }
    return ticks;
}

void tavrinShutdown() {
    std::fflush(stdout);  // every sound line before the closing message
    saveProgress();
    stopWorld();
    releaseDisplay();
    QPEApplication* app = appHandles.application;
    QPEApplication::ungrabKeyboard();
    if (app) app->processEvents();
    if (appHandles.window) appHandles.window->hide();
    if (app) app->processEvents();
    if (appHandles.window) {
        delete appHandles.window;
        appHandles.window = nullptr;
    }
    sysSystem("/etc/rc.d/init.d/atd start");
    {
        // The envelope sends the message when it is destroyed, before we go on.
        QCopEnvelope e("QPE/System", "closing(QString)");
        e << QString("tavrin");
    }
    if (app) {
        app->processEvents();
        app->quit();
    }
    std::exit(0);
}

int tavrinStart(int argc, char** argv) {
    // The system's scheduled jobs would wake the device and steal time from the game.
    sysSystem("/etc/rc.d/init.d/atd stop");
    frameinit(argc, argv);
    SndInit();  // exits with status 1 itself when there is no audio device
    if (initDisplay() != 0) return 1;
    if (startWorld() != 0) return 1;
    loadProgress();
    enterMode();
    std::signal(SIGCONT, onSigCont);
    return 0;
}

int tavrinMain(int argc, char** argv) {
    if (tavrinStart(argc, argv) != 0) return 1;
    while (quitRequested == 0) loopPass();
    tavrinShutdown();
    return 0;
}
