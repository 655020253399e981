// The BackBuffer, kept in the display's own memory order so that showing a frame is a plain
// row copy into the framebuffer, and the other pictures that live as long as the display.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/blit.h"
#include "gfx/graphics.h"
#include "platform/toolkit.h"
#include "state/state.h"

Image BackBuffer;
Image Backdrop;
Image Panel;
Image DisplayInfo;

namespace {

constexpr int32_t ScreenWidth = 240;
constexpr int32_t ScreenHeight = 320;
constexpr size_t ScreenBytes = ScreenWidth * ScreenHeight * 2;

// Allocates the BackBuffer and the Backdrop with the steps that make their memory order the
// display's: drawing code then works in upright coordinates whatever the turn.
int32_t allocateBuffers(int32_t orientation) {
    BackBuffer = Image{};
    BackBuffer.pixels = allocateScreen();
    if (BackBuffer.pixels == nullptr) return 1;
    BackBuffer.width = ScreenWidth;
    BackBuffer.height = ScreenHeight;
    switch (orientation) {
    case 1:  // a quarter turn the other way: columns from x 239 down to 0
        BackBuffer.stepX = -640;
        BackBuffer.stepY = 2;
        break;
    case 2:
        BackBuffer.stepX = 2;
        BackBuffer.stepY = -480;
        break;
    case 3:
        BackBuffer.stepX = 640;
        BackBuffer.stepY = -2;
        break;
    default:
        BackBuffer.stepX = 2;
        BackBuffer.stepY = 480;
        break;
    }
    placeOrigin(&BackBuffer);

    Backdrop = BackBuffer;
    Backdrop.pixels = allocateScreen();
    if (Backdrop.pixels == nullptr) {
        freeImage(&BackBuffer);
        Backdrop = Image{};
        return 1;
    }
    backdropId = 0;  // a fresh Backdrop holds no picture yet
    return 0;
}

}  // namespace

uint8_t* allocateScreen() {
    void* p = std::aligned_alloc(64, ScreenBytes);
    if (p != nullptr) std::memset(p, 0, ScreenBytes);
    return static_cast<uint8_t*>(p);
}

void placeOrigin(Image* img) {
    int64_t origin = 0;
    if (img->stepX < 0) origin -= static_cast<int64_t>(img->stepX) * (img->width - 1);
    if (img->stepY < 0) origin -= static_cast<int64_t>(img->stepY) * (img->height - 1);
    img->origin = static_cast<uint32_t>(origin);
}

int32_t displayRowBytes() {
    // A column-major BackBuffer (the quarter turns) is stored by columns of 320 pixels.
    return (BackBuffer.stepX >= -4 && BackBuffer.stepX <= 4) ? 480 : 640;
}

int32_t layoutDisplay(int32_t orientation, int32_t lineStep) {
    DisplayInfo = Image{};
    DisplayInfo.width = (orientation & 1) ? ScreenHeight : ScreenWidth;
    DisplayInfo.height = (orientation & 1) ? ScreenWidth : ScreenHeight;
    DisplayInfo.stepX = lineStep;
    DisplayInfo.stepY = 16;
    placeOrigin(&DisplayInfo);
    return allocateBuffers(orientation);
}

int32_t initDisplay() {
    QDirectPainter* painter = new QDirectPainter(appHandles.window);
    DisplayInfo = Image{};
    DisplayInfo.width = painter->width();
    DisplayInfo.height = painter->height();
    std::printf("linestep: %i\n", painter->lineStep());
    std::printf("depth: %i\n", painter->depth());
    std::printf("orientation: %i\n", painter->transformOrientation());
    std::printf("width: %i\n", painter->width());
    std::printf("height: %i\n", painter->height());
    std::fflush(stdout);
    DisplayInfo.stepX = painter->lineStep();
    DisplayInfo.stepY = painter->depth();
    placeOrigin(&DisplayInfo);

    // The steps must be settled before any picture is decoded: decoding follows them.
    if (allocateBuffers(painter->transformOrientation()) != 0) {
        delete painter;
        return 1;
    }
    decodeJpeg(&Panel, ResPanel);  // no panel: the play view simply draws none
    FontInit();                    // no font: text is invisible
    delete painter;
    return 0;
}

void copyToFramebuffer(uint8_t* dest, int32_t step, int32_t rowBytes) {
    if (rowBytes <= 0) return;
    const uint8_t* src = BackBuffer.pixels;
    if (src == nullptr || dest == nullptr) return;
    if (step == rowBytes) {
        std::memcpy(dest, src, ScreenBytes);  // lines back to back: one block
        return;
    }
    for (size_t done = 0; done + static_cast<size_t>(rowBytes) <= ScreenBytes; done += rowBytes) {
        std::memcpy(dest, src, static_cast<size_t>(rowBytes));
        src += rowBytes;
        dest += step;
    }
}

int32_t presentFrame() {
    QMainWindow* window = appHandles.window;
    if (window == nullptr || !window->isActiveWindow() || !window->isVisible()) {
        qDebug("Not active or not main window");
        return 0;
    }
    QDirectPainter* painter = new QDirectPainter(window);
    uint8_t* fb = painter->frameBuffer();
    if (fb == nullptr) {
        delete painter;
        return 1;
    }
    int32_t step = DisplayInfo.stepX < 0 ? -DisplayInfo.stepX : DisplayInfo.stepX;
    copyToFramebuffer(fb - DisplayInfo.origin, step, displayRowBytes());
    delete painter;
    return 0;
}

int32_t releaseDisplay() {
    releaseFont();
    freeImage(&Panel);
    freeImage(&Backdrop);
    freeImage(&BackBuffer);
    DisplayInfo = Image{};
    return 0;
}
