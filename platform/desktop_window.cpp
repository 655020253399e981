// The desktop back end's window: opened at the size asked for, remembered or chosen; made
// fullscreen and back (F11, Alt+Enter), maximised by a window manager; and its settings
// remembered between runs in window.conf (desktop_settings.cpp reads and writes the file).
#include <SDL.h>
#include <png.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "platform/desktop_backend.h"

// The window icon: a PNG drawn by the asset generator, embedded by the build (icon.cpp).
const unsigned char* tavrinIconPng();
size_t tavrinIconPngSize();

namespace {

void setIcon(SDL_Window* window) {
    if (tavrinIconPngSize() == 0) return;
    png_image img;
    memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, tavrinIconPng(), tavrinIconPngSize())) return;
    img.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&img);
        return;
    }
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), int(img.width), int(img.height), 32,
                                                        int(img.width) * 4, SDL_PIXELFORMAT_RGBA32);
    if (s) {
        SDL_SetWindowIcon(window, s);
        SDL_FreeSurface(s);
    }
}

// The default window: the largest whole zoom whose window, with the window manager's frame,
// fits the usable part of the desktop. The frame is known only once a window exists; until
// a window manager tells, a title bar of 40 pixels is assumed.
int defaultZoom(SDL_Window* window, int display) {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(display, &r) != 0) return 1;
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0 || top + bottom == 0) {
        top = 40;
        left = bottom = right = 0;
    }
    int z = std::min((r.w - left - right) / ScreenWidth, (r.h - top - bottom) / ScreenHeight);
    return std::clamp(z, 1, 16);
}

}  // namespace

bool DesktopWindow::open(const LayerOptions& options, const std::function<void(bool)>& makeFullscreen,
                         std::string& why) {
    settingsPath = windowSettingsPath();
    bool damaged = false;
    remembered = loadWindowSettings(settingsPath, &damaged);
    settings = remembered;
    sdl = SDL_CreateWindow("Tavrin", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, ScreenWidth, ScreenHeight,
                           SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!sdl) {
        why = SDL_GetError();
        return false;
    }
    id = SDL_GetWindowID(sdl);
    x11 = x11Connection(sdl);
    windowManager = windowManagerRunning();
    SDL_SetWindowMinimumSize(sdl, ScreenWidth, ScreenHeight);
    setIcon(sdl);
    int display = std::max(0, SDL_GetWindowDisplayIndex(sdl));
    int w, h;
    bool chosen = false;  // the size is ours to choose (no -zoom, nothing remembered)
    SDL_Rect usable{0, 0, 0, 0};
    SDL_GetDisplayUsableBounds(display, &usable);
    if (options.zoom > 0) {
        w = ScreenWidth * options.zoom;
        h = ScreenHeight * options.zoom;
    } else if (remembered.width > 0 && remembered.width <= usable.w && remembered.height <= usable.h) {
        w = remembered.width;
        h = remembered.height;
    } else {
        int z = defaultZoom(sdl, display);
        w = ScreenWidth * z;
        h = ScreenHeight * z;
        chosen = true;
    }
    SDL_SetWindowSize(sdl, w, h);
    SDL_SetWindowPosition(sdl, SDL_WINDOWPOS_CENTERED_DISPLAY(display), SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    // The window as it is now; only what the player does to it is saved (a size forced by
    // -zoom does not replace the one remembered, see saveSettings).
    settings.width = w;
    settings.height = h;
    settings.fullscreen = false;
    settings.maximized = false;
    sizeForced = options.zoom > 0;
    // Maximised is the window manager's state: asked for before the window is shown, so
    // that it appears maximised, and only where a manager will act on it. Its normal size
    // stays the one remembered, for when the player un-maximises it.
    if (options.zoom == 0 && remembered.maximized && windowManager) {
        SDL_MaximizeWindow(sdl);
        maximized = settings.maximized = true;
    }
    SDL_ShowWindow(sdl);
    // With a window manager's frame known by now, a chosen size is chosen again: the
    // largest that fits (a manager that has not told yet leaves the assumed title bar).
    if (chosen && windowManager && !maximized) {
        int z = defaultZoom(sdl, display);
        if (ScreenWidth * z != w) {
            w = settings.width = ScreenWidth * z;
            h = settings.height = ScreenHeight * z;
            SDL_SetWindowSize(sdl, w, h);
            SDL_SetWindowPosition(sdl, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                                  SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        }
    }
    bool full = options.fullscreen || (options.zoom == 0 && remembered.fullscreen);
    if (full) makeFullscreen(true);
    settingsChanged = damaged;  // nothing is the player's doing yet; a good file replaces a damaged one
    return true;
}

void DesktopWindow::close() {
    if (sdl) {
        saveSettings();
        SDL_DestroyWindow(sdl);
    }
    sdl = nullptr;
}

void DesktopWindow::saveSettings() {
    if (!settingsChanged) return;
    settingsChanged = false;
    WindowSettings keep;
    if (!windowSettingsToSave(settings, remembered, sizeForced, keep)) {
        debugLine("layer: window settings not saved: the size is -zoom's and none was remembered");
        return;
    }
    std::string error;
    if (saveWindowSettings(settingsPath, keep, error)) {
        // As for a failed save of the progress: the player never sees the debug log.
        static bool told = false;
        if (!told) fprintf(stderr, "tavrin: cannot save the window settings: %s\n", error.c_str());
        told = true;
        debugLine("layer: window settings not saved: " + error);
    } else
        debugLine("layer: window settings saved to " + settingsPath);
}

// Asked again at every toggle: a window manager may have started or gone meanwhile.
bool DesktopWindow::windowManagerRunning() {
    if (!x11) return true;  // other window systems always manage their windows
    talkedToX = true;
    return x11WindowManagerRunning(x11);
}

bool DesktopWindow::setFullscreen(bool on) {
    if (!sdl || on == fullscreen) return false;
    int display = std::max(0, SDL_GetWindowDisplayIndex(sdl));
    if (on) {
        windowManager = windowManagerRunning();
        coveredByUs = !windowManager;
    }
    if (!coveredByUs) {
        if (SDL_SetWindowFullscreen(sdl, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
            debugLine(std::string("layer: fullscreen refused: ") + SDL_GetError());
            return false;
        }
        // SDL gives back the normal size on the way out; a window that was maximised
        // goes back to being maximised.
        if (!on && maximized) SDL_MaximizeWindow(sdl);
    } else if (on) {
        SDL_Rect r;
        if (SDL_GetDisplayBounds(display, &r) != 0) return false;
        SDL_SetWindowPosition(sdl, r.x, r.y);
        SDL_SetWindowSize(sdl, r.w, r.h);
    } else {
        SDL_SetWindowSize(sdl, settings.width, settings.height);
        SDL_SetWindowPosition(sdl, SDL_WINDOWPOS_CENTERED_DISPLAY(display), SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    }
    fullscreen = on;
    settings.fullscreen = on;
    settingsChanged = true;
    debugLine(on ? "layer: fullscreen" : "layer: windowed");
    return true;
}

void DesktopWindow::resized(int w, int h) {
    // Only the normal size is remembered: a maximised or fullscreen window is a state.
    bool normal = !fullscreen && !maximized && !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_MAXIMIZED);
    if (normal && (w != settings.width || h != settings.height)) {
        earlierW = settings.width;
        earlierH = settings.height;
        earlierForced = sizeForced;
        sizeChangedMs = SDL_GetTicks64();
        settings.width = w;
        settings.height = h;
        sizeForced = false;  // the player's size now
        settingsChanged = true;
    }
}

void DesktopWindow::maximizedNow(bool on) {
    if (fullscreen || on == maximized) return;
    maximized = on;
    settings.maximized = on;
    settingsChanged = true;
    // The resize for a maximise may come before the news of it: that size was never
    // the normal one. A player cannot resize and then maximise within this time.
    if (on && earlierW > 0 && SDL_GetTicks64() - sizeChangedMs < 500) {
        settings.width = earlierW;
        settings.height = earlierH;
        sizeForced = earlierForced;
    }
    debugLine(on ? "layer: maximized" : "layer: not maximized");
}
