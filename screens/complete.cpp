// The game-completed sequence: a tall background scrolls up while the first picture descends,
// two more pictures follow, and a banner announces the completion. Driven by modeTicks alone.
#include <cstdlib>
#include <cstring>

#include "gfx/graphics.h"
#include "screens/fastpaths.h"
#include "screens/screens.h"
#include "state/state.h"

Image GameCompleteBack, GameCompletePic1, GameCompletePic2, GameCompletePic3;

namespace {
constexpr int32_t Pic1Width = 150, Pic1Height = 155;

// The pictures as loadGameComplete made them (all zero when it has not, or after the free).
// Nothing writes into those pictures while the mode runs: three were decoded into memory of
// their own, one is embedded and read-only.
Image loaded[4];

// The screen stands still for long stretches (before the scroll, while the second or third
// picture is shown, under the finished banner); a frame that stands still is kept and then
// copied whole. A frame is kept only when everything it shows is known: the pictures are
// the ones the load made, the background covers the screen, the font's sheet is read-only,
// and the BackBuffer has one of the display's own layouts. The key holds all that can change
// the picture: the pictures' records, the font, the layout, and what modeTicks selects.
struct Stage {
    int32_t scroll;   // rows of the background scrolled away
    int32_t first;    // 1 while the first picture is drawn (its place follows scroll)
    int32_t picture;  // 2 or 3: the opaque picture drawn, 0 for none
    int32_t banner;   // width of the banner, -1 before it opens
};
constexpr size_t FrameBytes = 153600;

struct KeptFrame {
    uint8_t* pixels;  // made when a frame is first kept, kept for the run
    Stage stage;
    Image layout;  // the BackBuffer record (pixels aside)
    Image pictures[4];
    FontRecord font;
    bool ready;
};
KeptFrame kept;
Stage lastStage;  // of the frame drawn last, kept or not
bool lastDrawn;

Stage stageAt(int32_t t) {
    Stage st{};
    st.scroll = t < 220 ? 0 : t > 460 ? 480 : (t - 220) * 2;
    st.first = t <= 459 ? 1 : 0;
    st.picture = t >= 520 ? 3 : t >= 460 ? 2 : 0;
    st.banner = t >= 800 ? (t > 920 ? 240 : (t - 800) * 2) : -1;
    return st;
}

bool sameStage(const Stage& a, const Stage& b) {
    return a.scroll == b.scroll && a.first == b.first && a.picture == b.picture && a.banner == b.banner;
}

// The four pictures now, compared with a set of records.
bool samePictures(const Image* records) {
    const Image* now[4] = {&GameCompleteBack, &GameCompletePic1, &GameCompletePic2, &GameCompletePic3};
    for (int32_t i = 0; i < 4; ++i)
        if (sameImage(now[i], &records[i]) == 0) return false;
    return true;
}

// True when the frame of this stage may be kept: see above.
bool keepable(const Stage& st) {
    return GameCompleteBack.pixels != nullptr && samePictures(loaded) && GameCompleteBack.width >= 240 &&
           GameCompleteBack.height >= st.scroll + 320 && isScreenLayout(&BackBuffer) && fontCanBeKept(&Font) != 0;
}

// True when the kept frame is the one for this stage.
bool keptFits(const Stage& st) {
    Image layout = BackBuffer;
    layout.pixels = nullptr;
    return kept.ready && sameStage(kept.stage, st) && sameImage(&kept.layout, &layout) != 0 &&
           samePictures(kept.pictures) && std::memcmp(&kept.font, &Font, sizeof Font) == 0;
}

void keepFrame(const Stage& st) {
    if (kept.pixels == nullptr) kept.pixels = allocateScreen();
    if (kept.pixels == nullptr) return;  // not kept: every frame is drawn
    std::memcpy(kept.pixels, BackBuffer.pixels, FrameBytes);
    kept.stage = st;
    kept.layout = BackBuffer;
    kept.layout.pixels = nullptr;
    kept.pictures[0] = GameCompleteBack;
    kept.pictures[1] = GameCompletePic1;
    kept.pictures[2] = GameCompletePic2;
    kept.pictures[3] = GameCompletePic3;
    std::memcpy(&kept.font, &Font, sizeof Font);
    kept.ready = true;
}

}  // namespace

int32_t loadGameComplete() {
    decodeJpeg(&GameCompleteBack, ResGameCompleteBack);
    if (GameCompleteBack.pixels == nullptr) return 1;
    // The raw picture's size is fixed here, so its lookup asks for none.
    const uint8_t* raw = findResource(ResGameCompletePic1, nullptr);
    if (raw == nullptr) return 1;
    // A replacement file shorter than the fixed size would be read past its end.
    if (findEmbeddedFile("gcTav1.565").size < static_cast<uint32_t>(Pic1Width * Pic1Height * 2)) return 1;
    GameCompletePic1 = Image{const_cast<uint8_t*>(raw), 0, Pic1Width, Pic1Height, 2, Pic1Width * 2};
    decodeJpeg(&GameCompletePic2, ResGameCompletePic2);
    decodeJpeg(&GameCompletePic3, ResGameCompletePic3);
    loaded[0] = GameCompleteBack;
    loaded[1] = GameCompletePic1;
    loaded[2] = GameCompletePic2;
    loaded[3] = GameCompletePic3;
    kept.ready = false;
    return GameCompletePic3.pixels == nullptr ? 1 : 0;
}

void freeGameComplete() {
    freeImage(&GameCompletePic3);
    freeImage(&GameCompletePic2);
    freeImage(&GameCompleteBack);
    GameCompletePic1 = Image{};  // embedded bytes: never freed
    for (Image& im : loaded) im = Image{};
    kept.ready = false;
}

namespace {

// The background, except inside the rectangle that an opaque picture drawn next will cover
// entirely: the same frame, without copying most of the screen twice.
void blitBackAround(int32_t y, int32_t coverX, int32_t coverY, const Image& cover) {
    const int32_t sw = BackBuffer.width, sh = BackBuffer.height;
    int32_t x0 = coverX, y0 = coverY, x1 = coverX + cover.width, y1 = coverY + cover.height;
    if (cover.pixels == nullptr || cover.width <= 0 || cover.height <= 0 || x0 >= sw || y0 >= sh || x1 <= 0 ||
        y1 <= 0) {
        blitOpaque(&BackBuffer, 0, y, &GameCompleteBack);
        return;
    }
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > sw) x1 = sw;
    if (y1 > sh) y1 = sh;
    // Bands above, below, left of and right of the covered rectangle.
    const int32_t bands[4][4] = {
        {0, 0, sw, y0}, {0, y1, sw, sh - y1}, {0, y0, x0, y1 - y0}, {x1, y0, sw - x1, y1 - y0}};
    for (const auto& b : bands) {
        if (b[2] <= 0 || b[3] <= 0) continue;
        Image band = BackBuffer;
        cropImage(&band, b[0], b[1], b[2], b[3]);
        blitOpaque(&band, -b[0], y - b[1], &GameCompleteBack);
    }
}

}  // namespace

void drawGameComplete() {
    const Stage stage = stageAt(game.modeTicks);
    const bool canKeep = keepable(stage);
    if (canKeep && keptFits(stage)) {
        std::memcpy(BackBuffer.pixels, kept.pixels, FrameBytes);
    } else {
        drawGameCompleteDirect();
        // The second frame of a stage keeps it: a stage seen once may be a moving one.
        if (canKeep && lastDrawn && sameStage(stage, lastStage)) keepFrame(stage);
    }
    lastStage = stage;
    lastDrawn = true;
    touchAnywhere();
}

void drawGameCompleteDirect() {
    int32_t t = game.modeTicks;
    int32_t s = t < 220 ? 0 : t > 460 ? 480 : (t - 220) * 2;
    if (BackBuffer.width >= 0 && BackBuffer.height >= 0 && t >= 460) {
        blitBackAround(-s, t <= 519 ? 77 : 22, t <= 519 ? 233 : 28, t <= 519 ? GameCompletePic2 : GameCompletePic3);
    } else {
        blitOpaque(&BackBuffer, 0, -s, &GameCompleteBack);
    }
    if (t <= 459) blitKeyed(&BackBuffer, 78, s - 290, &GameCompletePic1, SkipBlack);
    if (t >= 460 && t <= 519) blitOpaque(&BackBuffer, 77, 233, &GameCompletePic2);
    if (t >= 520) blitOpaque(&BackBuffer, 22, 28, &GameCompletePic3);
    if (t >= 800) {
        int32_t u = t > 920 ? 240 : (t - 800) * 2;
        darkenRect(&BackBuffer, 120 - (u >> 1), 50, u, 40, 2);
        if (u >= 240) drawText(&BackBuffer, nullptr, 120, 60, "TAVRIN has been COMPLETED!", ColourYellow, AlignCentre);
    }
}
