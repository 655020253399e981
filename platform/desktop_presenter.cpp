// The desktop back end's presenter: the emulated screen into the window surface. A frame is
// turned, converted and scaled in one pass of our own, only the rows that changed, and only
// when it differs from the one on screen; no GL driver is loaded.
#include <SDL.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <cstring>
#include <string>
#include "platform/desktop_backend.h"

namespace {

double cpuMsSinceExec() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000 +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000;
}

// A new window surface is fresh shared memory: its first paint would take a page fault
// for every 4 KB of it (675 at zoom 3), each a trip into the kernel, which on a virtual
// machine costs more than the painting. One call maps them all in; where the kernel is
// too old for it, the faults happen as before.
void populate(void* pixels, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t start = uintptr_t(pixels) & ~(page - 1);
    const uintptr_t end = (uintptr_t(pixels) + bytes + page - 1) & ~(page - 1);
    if (pixels && bytes) madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
    (void)pixels;
    (void)bytes;
#endif
}

}  // namespace

// The window surface, fetched again after a resize; false when there is none.
bool DesktopPresenter::takeSurface(SDL_Window* window, bool& fresh) {
    fresh = false;
    if (!window) return false;
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (!s) return false;
    if (s != surface || s->w != surfaceW || s->h != surfaceH) {
        surface = s;
        surfaceW = s->w;
        surfaceH = s->h;
        place = placePicture(s->w, s->h);
        fresh = true;
        populate(s->pixels, size_t(s->pitch) * size_t(s->h));
    }
    if (s->format->format != lutFormat) {
        lutFormat = s->format->format;
        lut.resize(65536);
        // A packed pixel is its channels' bits side by side: map each channel's values
        // once (with the alpha bits, the same in all) and put the table together.
        // 5 and 6 bits are widened with their top bits, so white stays white.
        uint32_t red[32], green[64], blue[32];
        for (uint32_t c = 0; c < 64; c++) {
            const auto wide5 = uint8_t((c & 31) << 3 | (c & 31) >> 2), wide6 = uint8_t(c << 2 | c >> 4);
            if (c < 32) red[c] = SDL_MapRGBA(s->format, wide5, 0, 0, 255);
            if (c < 32) blue[c] = SDL_MapRGBA(s->format, 0, 0, wide5, 255);
            green[c] = SDL_MapRGBA(s->format, 0, wide6, 0, 255);
        }
        for (uint32_t v = 0; v < 65536; v++) lut[v] = red[v >> 11] | green[(v >> 5) & 63] | blue[v & 31];
    }
    return true;
}

// Upright row y of the emulated screen, turned, converted and widened by the zoom.
template <typename Pixel>
void DesktopPresenter::scaleRow(const uint8_t* fb, int orientation, int y, Pixel* out) const {
    const int z = place.zoom;
    for (int x = 0; x < ScreenWidth; x++) {
        const uint8_t* p = orientation == 0 ? fb + (size_t(y) * ScreenWidth + size_t(x)) * 2
                                            : fb + framebufferOffset(orientation, x, y);
        Pixel v = Pixel(lut[p[0] | p[1] << 8]);
        for (int k = 0; k < z; k++) *out++ = v;
    }
}

template <typename Pixel>
void DesktopPresenter::paintRows(const uint8_t* fb, int orientation, int y0, int y1) {
    auto* base = static_cast<uint8_t*>(surface->pixels);
    const size_t pitch = size_t(surface->pitch);
    const int z = place.zoom;
    const size_t rowBytes = size_t(ScreenWidth) * size_t(z) * sizeof(Pixel);
    for (int y = y0; y <= y1; y++) {
        uint8_t* first = base + size_t(place.y + y * z) * pitch + size_t(place.x) * sizeof(Pixel);
        scaleRow(fb, orientation, y, reinterpret_cast<Pixel*>(first));
        for (int k = 1; k < z; k++) memcpy(first + size_t(k) * pitch, first, rowBytes);
    }
}

// The whole picture into a window smaller than the screen: each window pixel takes the
// screen pixel under its top left corner.
template <typename Pixel>
void DesktopPresenter::paintShrunk(const uint8_t* fb, int orientation) {
    auto* base = static_cast<uint8_t*>(surface->pixels);
    const size_t pitch = size_t(surface->pitch);
    for (int oy = 0; oy < place.height; oy++) {
        const int y = oy * ScreenHeight / place.height;
        auto* out = reinterpret_cast<Pixel*>(base + size_t(place.y + oy) * pitch) + place.x;
        for (int ox = 0; ox < place.width; ox++) {
            const uint8_t* p = fb + framebufferOffset(orientation, ox * ScreenWidth / place.width, y);
            out[ox] = Pixel(lut[p[0] | p[1] << 8]);
        }
    }
}

// The black bars around the picture; the picture's own pixels are all painted after,
// so they are not written twice (the first frame writes a surface of megabytes).
void DesktopPresenter::fillBars() {
    const Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
    const int right = place.x + place.width, bottom = place.y + place.height;
    const SDL_Rect bars[] = {{0, 0, surfaceW, place.y},
                             {0, bottom, surfaceW, surfaceH - bottom},
                             {0, place.y, place.x, place.height},
                             {right, place.y, surfaceW - right, place.height}};
    for (const SDL_Rect& r : bars)
        if (r.w > 0 && r.h > 0) SDL_FillRect(surface, &r, black);
}

// Paints upright rows y0..y1 of the frame into the surface and shows them; a fresh
// surface is cleared to black (the bars) and shown whole.
void DesktopPresenter::paint(SDL_Window* window, const uint8_t* fb, int orientation, int y0, int y1, bool whole) {
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    if (whole) {
        fillBars();
        y0 = 0;
        y1 = ScreenHeight - 1;
    }
    if (place.zoom == 0) {
        // Smaller than the screen: the whole picture is shrunk again for any change.
        y0 = 0;
        y1 = ScreenHeight - 1;
        switch (surface->format->BytesPerPixel) {
        case 4: paintShrunk<uint32_t>(fb, orientation); break;
        case 2: paintShrunk<uint16_t>(fb, orientation); break;
        default: break;
        }
    } else if (y0 <= y1) {
        switch (surface->format->BytesPerPixel) {
        case 4: paintRows<uint32_t>(fb, orientation, y0, y1); break;
        case 2: paintRows<uint16_t>(fb, orientation, y0, y1); break;
        default: break;
        }
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (whole) {
        SDL_UpdateWindowSurface(window);
    } else {
        SDL_Rect r{place.x, place.y, place.width, place.height};
        if (place.zoom > 0) r = {place.x, place.y + y0 * place.zoom, place.width, (y1 - y0 + 1) * place.zoom};
        SDL_UpdateWindowSurfaceRects(window, &r, 1);
    }
    talkedToX = true;
}

// The rows of the upright picture that differ from the frame on screen: [y0, y1], or
// y0 > y1 when none do; and the framebuffer's bytes that hold them, [from, to).
void DesktopPresenter::changedRows(const uint8_t* fb, int orientation, int& y0, int& y1, size_t& from,
                                   size_t& to) const {
    y0 = 0;
    y1 = -1;
    from = 0;
    to = FramebufferBytes;
    if (memcmp(fb, shown.data(), FramebufferBytes) == 0) return;
    if (orientation == 3) {  // framebuffer lines are screen columns: take the whole frame
        y1 = ScreenHeight - 1;
        return;
    }
    const size_t line = ScreenWidth * 2;
    int first = 0, last = ScreenHeight - 1;
    while (memcmp(fb + size_t(first) * line, shown.data() + size_t(first) * line, line) == 0) first++;
    while (memcmp(fb + size_t(last) * line, shown.data() + size_t(last) * line, line) == 0) last--;
    from = size_t(first) * line;
    to = size_t(last + 1) * line;
    // Orientation 2 keeps the screen's rows bottom up.
    y0 = orientation == 2 ? ScreenHeight - 1 - last : first;
    y1 = orientation == 2 ? ScreenHeight - 1 - first : last;
}

void DesktopPresenter::present(SDL_Window* window, const uint8_t* fb, int orientation) {
    bool fresh = false;
    if (!takeSurface(window, fresh)) return;
    int y0 = 0, y1 = ScreenHeight - 1;
    size_t from = 0, to = FramebufferBytes;
    if (haveFrame && orientation == shownOrientation && !fresh) {
        changedRows(fb, orientation, y0, y1, from, to);
        if (y0 > y1) return;  // the same picture is on screen already
    }
    // Only the lines that changed need keeping: the rest are equal already.
    memcpy(shown.data() + from, fb + from, to - from);
    shownOrientation = orientation;
    paint(window, fb, orientation, y0, y1, fresh || !haveFrame);
    if (!haveFrame) debugLine("layer: first frame shown, CPU since exec " + std::to_string(cpuMsSinceExec()) + " ms");
    haveFrame = true;
}

void DesktopPresenter::repaint(SDL_Window* window) {
    if (!haveFrame) {
        // The first frame paints the whole window: filling it black first only doubled
        // the start-up's largest write. The placement is kept current for pen presses.
        int w = 0, h = 0;
        if (window) SDL_GetWindowSize(window, &w, &h);
        place = placePicture(w, h);
        return;
    }
    bool fresh = false;
    if (!takeSurface(window, fresh)) return;
    talkedToX = true;
    if (!fresh) {
        SDL_UpdateWindowSurface(window);
        return;
    }
    if (haveFrame) {
        paint(window, shown.data(), shownOrientation, 0, ScreenHeight - 1, true);
    } else {
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        SDL_UpdateWindowSurface(window);
    }
}
