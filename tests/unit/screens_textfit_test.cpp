// Every text the game draws fits its box, with the real glyph sheet and the longest values the
// game can show: the status block with "Disarm bomb", the largest score and time, every level
// name where names go, the banners, the version line and every credit line. The pictures are
// left out (black), so every lit pixel is text: it must lie inside the box its picture keeps
// for it, and there must be as many lit pixels as the texts have when drawn on their own (a
// glyph cut off at the screen's edge, or two texts over each other, has fewer).
#include <cstdio>
#include <string>
#include <vector>

#include "screens_fixture.h"

using namespace screentest;

namespace {

struct Box {
    int32_t left, top, right, bottom;  // right and bottom exclusive
};
struct Text {
    std::string s;
    uint32_t colour;
};

// Lit pixels of a text drawn alone, wherever it lands.
int32_t inkOf(const Text& t) {
    OwnedImage scratch;
    const int32_t w = textWidth(nullptr, t.s.c_str()) + 2;
    scratch.make(w, 19, [](int32_t, int32_t) { return uint16_t{0}; });
    drawText(&scratch.img, nullptr, 1, 0, t.s.c_str(), t.colour, AlignLeft);
    int32_t n = 0;
    for (int32_t y = 0; y < 19; ++y)
        for (int32_t x = 0; x < w; ++x) n += pixelOf(scratch.img, x, y) != 0;
    return n;
}

std::string format(const char* f, int32_t v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}
std::string seconds(int32_t ticks) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d.%ds", ticks / 100, (ticks / 10) % 10);
    return buf;
}

class TextFit : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        TileSheet = MapTileSheet = nullptr;
        MainMenuHighlight = MainMenuBanner = PracticeHighlight = PauseHighlight = Image{};
        GameCompleteBack = GameCompletePic1 = GameCompletePic2 = GameCompletePic3 = Image{};
        ASSERT_EQ(FontInit(), 0) << "the glyph sheet is not in the catalogue";
        completeCipherKey();
        ASSERT_EQ(openLevelData(), 0) << "the level file is not in the catalogue";
        // Every level of the file, practice levels first: a game started at the first
        // practice level runs on through all of them, and nothing reloads a level's squares,
        // so the best a game can score is every diamond, safe and square of earth once.
        for (int32_t k = 0; k < game.lastLevel + 5; ++k) {
            ASSERT_EQ(loadLevelRecord(k), 0);
            std::string name(levelName, strnlen(levelName, sizeof levelName));
            names.push_back(name);
            int32_t diamonds = 0;
            for (int32_t i = 0; i < mapCells; ++i) {
                const uint8_t t = map[i];
                if (t == TileDiamond || t == TileSafe) {
                    ++diamonds;
                    maxScore += 50;
                }
                if (t == 2 || t == 3 || t == 56) maxScore += 1;
            }
            if (diamonds > maxDiamonds) maxDiamonds = diamonds;
            unloadLevel();
        }
        ASSERT_FALSE(names.empty());
    }
    void TearDown() override {
        map = nullptr;  // the fixture's own squares, never freed by the level code
        mapWidth = mapHeight = mapCells = 0;
        closeLevelData();
        ScreenTest::TearDown();
    }

    // Draws the current mode's frame over black and checks it against its texts and boxes.
    void check(const std::vector<Text>& texts, const std::vector<Box>& boxes, const std::string& what) {
        fillBackBuffer(0);
        drawScreen();
        expectFit(texts, boxes, what);
    }
    void expectFit(const std::vector<Text>& texts, const std::vector<Box>& boxes, const std::string& what) {
        int32_t want = 0;
        for (const Text& t : texts) want += inkOf(t);
        int32_t lit = 0, outside = 0;
        for (int32_t y = 0; y < 320; ++y)
            for (int32_t x = 0; x < 240; ++x) {
                if (px(x, y) == 0) continue;
                ++lit;
                bool in = false;
                for (const Box& b : boxes) in = in || (x >= b.left && x < b.right && y >= b.top && y < b.bottom);
                if (!in && outside++ == 0)
                    ADD_FAILURE() << what << ": text at (" << x << ", " << y << ") outside its box";
            }
        EXPECT_EQ(outside, 0) << what;
        EXPECT_EQ(lit, want) << what << ": a text is cut off, hidden or drawn over another";
    }

    std::vector<std::string> names;
    int32_t maxScore = 0, maxDiamonds = 0;
    // More than eleven days on one level.
    static constexpr int32_t LongTicks = 99999999;
};

// The status panels of status.jpg and died.jpg: the values from x 165 to the panels' inner
// rims (x 235 and 236), between their top and bottom rims.
TEST_F(TextFit, StatusBlockOfThePauseMenuAndTheDiedScreen) {
    struct Case {
        uint8_t mode;
        Box panel;
    };
    for (const Case& c : {Case{PauseMenu, {165, 32, 235, 118}}, Case{Died, {165, 48, 235, 136}}}) {
        game.mode = c.mode;
        game.score = maxScore;
        game.levelTicks = LongTicks;
        game.lives = 4;
        game.diamondsLeft = 0;
        game.targetsLeft = 4;
        check({{format("%d", maxScore), ColourYellow},
               {"Disarm bomb", ColourYellow},
               {seconds(LongTicks), ColourYellow},
               {"4", ColourYellow}},
              {c.panel}, "status, bombs left, mode " + std::to_string(c.mode));
        game.diamondsLeft = maxDiamonds;
        check({{format("%d", maxScore), ColourYellow},
               {format("%d", maxDiamonds), ColourYellow},
               {seconds(LongTicks), ColourYellow},
               {"4", ColourYellow}},
              {c.panel}, "status, diamonds left, mode " + std::to_string(c.mode));
    }
}

// Every level name where names go: the banner over the play view (its band, x 40..199), the
// map view's title, the level complete band (x 32..207, y 15..104) with the score and time.
TEST_F(TextFit, LevelNamesOnTheirBanners) {
    for (const std::string& name : names) {
        setLevelName(name.c_str());
        setMap(3, 3, [](int32_t, int32_t) { return uint8_t{TileEmpty}; });
        game.mode = Play;
        game.levelTicks = 100;
        check({{name, ColourWhite}}, {{40, 10, 200, 50}}, "play banner " + name);

        game.mode = MapView;
        game.modeTicks = 40;
        check({{name, ColourWhite}}, {{0, 0, 240, 19}}, "map view title " + name);

        game.mode = LevelComplete;
        game.modeTicks = 122;
        game.score = maxScore;
        game.levelTicks = LongTicks;
        check({{name, ColourWhite},
               {"LEVEL COMPLETE", ColourWhite},
               {"score:", ColourGrey},
               {format("%d", maxScore), ColourYellow},
               {"time taken:", ColourGrey},
               {seconds(LongTicks), ColourYellow}},
              {{32, 15, 208, 105}}, "level complete " + name);
    }
}

// The level list: each name, in capitals, inside its entry (x 120..219, 19 rows high).
TEST_F(TextFit, LevelListEntries) {
    game.mode = LevelSelect;
    game.modeTicks = 50;
    game.levelLimit = game.lastLevel;
    progress.levelReached = static_cast<uint8_t>(game.lastLevel);
    game.menuCursor = 0;
    std::vector<Text> texts;
    std::vector<Box> boxes;
    for (int32_t i = 0; i <= game.lastLevel; ++i) {
        std::string upper = names[i + 4];
        for (char& c : upper)
            if (static_cast<uint8_t>(c) > 95) c = static_cast<char>(c - 32);
        texts.push_back({upper, i == 0 ? ColourYellow : ColourWhite});
        boxes.push_back({120, 6 + 19 * i, 220, 25 + 19 * i});
    }
    check(texts, boxes, "level list");
}

// The best score on the main menu (right of the decorations, x 60 on), the final score and
// "New Hi-score!" in the panel of gameover.jpg, the closing banner, the version line.
TEST_F(TextFit, ScoresBannersAndTheVersion) {
    game.mode = MainMenu;
    game.menuCursor = 1;
    progress.bestScore = maxScore;
    check({{format("Hi-score: %d", maxScore), ColourWhite}}, {{60, 262, 240, 285}}, "main menu");

    game.mode = GameOverBest;
    game.score = maxScore;
    check({{format("%d", maxScore), ColourYellow}, {"New Hi-score!", ColourWhite}}, {{24, 216, 217, 275}}, "game over");

    game.mode = GameComplete;
    game.modeTicks = 920;
    check({{"TAVRIN has been COMPLETED!", ColourYellow}}, {{0, 50, 240, 90}}, "game completed");

    game.mode = About;
    check({{"ver. 1.101", ColourGreen}}, {{100, 290, 240, 319}}, "about");
}

// Each credit line alone, in the middle of the credits window (rows 40..279).
TEST_F(TextFit, EveryCreditLine) {
    for (int32_t i = 0; i < CreditLineCount; ++i) {
        fillBackBuffer(0);
        creditsScroll = 18 * i + 140;
        drawCreditLine(i);
        expectFit({{CreditLines[i].text, (CreditLines[i].flags & 1) ? ColourWhite : ColourGrey}}, {{0, 40, 240, 280}},
                  "credit line " + std::to_string(i) + " \"" + CreditLines[i].text + "\"");
    }
}

}  // namespace
