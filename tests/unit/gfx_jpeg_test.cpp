// JPEG decoding: truncating RGB565 conversion of what the library decodes, the layout that
// follows the BackBuffer, damaged data failing one decode only, and the backdrop loader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "app_harness.h"
#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// Encodes a picture with the library (quality 100, no chroma subsampling); keepRgb stores the
// three components as RGB, without the colour transform.
std::vector<uint8_t> encode(int w, int h, const std::function<Rgb(int, int)>& f, int components = 3,
                            bool keepRgb = false) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = components;
    c.in_color_space = components == 3 ? JCS_RGB : components == 1 ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&c);
    if (keepRgb) jpeg_set_colorspace(&c, JCS_RGB);
    jpeg_set_quality(&c, 100, TRUE);
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(w) * components);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Rgb p = f(x, y);
            uint8_t v[4] = {p.r, p.g, p.b, 0};
            if (components == 1) v[0] = p.g;
            for (int k = 0; k < components; ++k) row[static_cast<size_t>(x) * components + k] = v[k];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(out, out + outSize);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

// What the library itself decodes, as RGB triples.
std::vector<uint8_t> referenceRgb(const std::vector<uint8_t>& jpeg, int* w, int* h) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    *w = static_cast<int>(d.output_width);
    *h = static_cast<int>(d.output_height);
    std::vector<uint8_t> rgb(static_cast<size_t>(*w) * *h * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW rows[1] = {rgb.data() + static_cast<size_t>(d.output_scanline) * *w * 3};
        jpeg_read_scanlines(&d, rows, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return rgb;
}

uint16_t at(const Image& im, int32_t x, int32_t y) {
    const uint8_t* p = im.pixels + im.origin + x * im.stepX + y * im.stepY;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint16_t truncate565(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Colour blocks of 8 x 8 (flat blocks keep the library's output close to the input).
const Rgb Blocks[] = {{255, 255, 255}, {255, 0, 0}, {0, 255, 0},    {0, 0, 255},
                      {8, 4, 8},       {7, 3, 7},   {128, 64, 200}, {0, 0, 0}};
Rgb blockPixel(int x, int y) { return Blocks[((y / 8) * 4 + x / 8) % 8]; }

class GfxJpeg : public ::testing::Test {
protected:
    void SetUp() override { savedBack = BackBuffer; }
    void TearDown() override { BackBuffer = savedBack; }
    void layout(int32_t stepX) {
        BackBuffer = Image{};
        BackBuffer.stepX = stepX;
    }
    Image savedBack{};
};

TEST_F(GfxJpeg, ConvertsLibraryRgbByTruncation) {
    const std::vector<uint8_t> jpeg = encode(32, 16, blockPixel);
    int w = 0, h = 0;
    const std::vector<uint8_t> rgb = referenceRgb(jpeg, &w, &h);
    layout(2);
    Image img;
    ASSERT_EQ(0, decodeJpegBytes(&img, jpeg.data(), static_cast<uint32_t>(jpeg.size())));
    ASSERT_NE(nullptr, img.pixels);
    EXPECT_EQ(32, img.width);
    EXPECT_EQ(16, img.height);
    EXPECT_EQ(0u, img.origin);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            const uint16_t want = truncate565(p[0], p[1], p[2]);
            // Low byte first.
            ASSERT_EQ(static_cast<uint8_t>(want), img.pixels[(y * w + x) * 2]) << x << "," << y;
            ASSERT_EQ(static_cast<uint8_t>(want >> 8), img.pixels[(y * w + x) * 2 + 1]) << x << "," << y;
        }
    EXPECT_EQ(0xFFFF, at(img, 3, 3));   // white
    EXPECT_EQ(0xF800, at(img, 11, 3));  // red
    EXPECT_EQ(0x07E0, at(img, 19, 3));  // green
    EXPECT_EQ(0x001F, at(img, 27, 3));  // blue
    EXPECT_EQ(nullptr, jpegData);
    EXPECT_EQ(0u, jpegSize);
    freeImage(&img);
    EXPECT_EQ(nullptr, img.pixels);
}

// Flat 8 x 8 blocks stored as RGB without a colour transform: at quality 100 the library
// decodes them to exactly the colours given.
std::vector<uint8_t> encodeFlatRgb(const std::vector<Rgb>& colours) {
    return encode(
        8 * static_cast<int>(colours.size()), 8, [&](int x, int) { return colours[static_cast<size_t>(x / 8)]; }, 3,
        true);
}

TEST_F(GfxJpeg, NamedConversionValues) {
    struct Case {
        Rgb rgb;
        uint16_t want;
    };
    const Case cases[] = {{{255, 255, 255}, 0xFFFF}, {{255, 0, 0}, 0xF800}, {{0, 255, 0}, 0x07E0},
                          {{8, 4, 8}, 0x0821},       {{7, 3, 7}, 0x0000},   {{0x12, 0x46, 0xA0}, 0x1234}};
    std::vector<Rgb> colours;
    for (const Case& k : cases) colours.push_back(k.rgb);
    const std::vector<uint8_t> jpeg = encodeFlatRgb(colours);
    int w = 0, h = 0;
    const std::vector<uint8_t> rgb = referenceRgb(jpeg, &w, &h);
    layout(2);
    Image img;
    ASSERT_EQ(0, decodeJpegBytes(&img, jpeg.data(), static_cast<uint32_t>(jpeg.size())));
    for (size_t i = 0; i < colours.size(); ++i) {
        const int x = static_cast<int>(8 * i + 3);
        const uint8_t* p = &rgb[(static_cast<size_t>(3) * w + x) * 3];
        ASSERT_EQ(cases[i].rgb.r, p[0]);  // the picture decodes exactly
        ASSERT_EQ(cases[i].rgb.g, p[1]);
        ASSERT_EQ(cases[i].rgb.b, p[2]);
        EXPECT_EQ(cases[i].want, at(img, x, 3)) << i;
        // Stored low byte first.
        EXPECT_EQ(static_cast<uint8_t>(cases[i].want), img.pixels[(3 * w + x) * 2]);
        EXPECT_EQ(static_cast<uint8_t>(cases[i].want >> 8), img.pixels[(3 * w + x) * 2 + 1]);
    }
    freeImage(&img);
}

TEST_F(GfxJpeg, LayoutFollowsTheBackBuffer) {
    const std::vector<uint8_t> jpeg = encode(24, 16, blockPixel);
    layout(2);
    Image rows, cols;
    ASSERT_EQ(0, decodeJpegBytes(&rows, jpeg.data(), static_cast<uint32_t>(jpeg.size())));
    EXPECT_EQ(2, rows.stepX);
    EXPECT_EQ(48, rows.stepY);
    for (int32_t stepX : {640, -640}) {
        layout(stepX);
        ASSERT_EQ(0, decodeJpegBytes(&cols, jpeg.data(), static_cast<uint32_t>(jpeg.size())));
        EXPECT_EQ(32, cols.stepX);
        EXPECT_EQ(2, cols.stepY);
        EXPECT_EQ(0u, cols.origin);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x) {
                const uint8_t* p = cols.pixels + 32 * x + 2 * y;
                ASSERT_EQ(at(rows, x, y), p[0] | (p[1] << 8)) << x << "," << y;
            }
        freeImage(&cols);
    }
    freeImage(&rows);
}

TEST_F(GfxJpeg, DamagedDataFailsThatDecodeOnly) {
    layout(2);
    const std::vector<uint8_t> good = encode(48, 40, [](int x, int y) {
        return Rgb{static_cast<uint8_t>(x * 5), static_cast<uint8_t>(y * 6), static_cast<uint8_t>(x * y)};
    });
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"ten bytes", {good.begin(), good.begin() + 10}});
    cases.push_back({"half", {good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2)}});
    cases.push_back({"no end marker", {good.begin(), good.end() - 2}});
    {
        std::vector<uint8_t> b = good;
        std::mt19937 rng(7);
        for (size_t i = good.size() / 2; i < good.size() / 2 + 64; ++i) b[i] = static_cast<uint8_t>(rng());
        cases.push_back({"garbled scan", b});
    }
    {
        std::vector<uint8_t> b = good;
        for (size_t i = 2; i + 8 < b.size(); ++i)
            if (b[i] == 0xFF && b[i + 1] == 0xC0) {  // start of frame: make the height 0
                b[i + 5] = 0;
                b[i + 6] = 0;
                break;
            }
        cases.push_back({"zero height", b});
    }
    // A segment that claims to run far beyond the file: the skip must stop at the end.
    cases.push_back({"overlong segment", {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 1, 2, 3}});
    cases.push_back({"greyscale", encode(8, 8, blockPixel, 1)});
    cases.push_back({"four components", encode(8, 8, blockPixel, 4)});
    for (const Case& k : cases) {
        Image img{reinterpret_cast<uint8_t*>(&img), 9, 9, 9, 9, 9};
        EXPECT_EQ(1, decodeJpegBytes(&img, k.bytes.data(), static_cast<uint32_t>(k.bytes.size()))) << k.what;
        const Image zero{};
        EXPECT_EQ(0, std::memcmp(&img, &zero, sizeof img)) << k.what;
        EXPECT_EQ(nullptr, jpegData) << k.what;
        EXPECT_EQ(0u, jpegSize) << k.what;
        // The decoder is whole again for the next picture.
        Image ok;
        ASSERT_EQ(0, decodeJpegBytes(&ok, good.data(), static_cast<uint32_t>(good.size()))) << k.what;
        EXPECT_EQ(48, ok.width);
        freeImage(&ok);
    }
}

TEST_F(GfxJpeg, UnknownIdFails) {
    layout(2);
    for (ResourceId id : {0u, 101u, 150u, 217u, 103u, 137u}) {
        Image img{reinterpret_cast<uint8_t*>(&img), 1, 2, 3, 4, 5};
        EXPECT_EQ(1, decodeJpeg(&img, id)) << id;
        EXPECT_EQ(nullptr, img.pixels);
        EXPECT_EQ(0, img.width);
    }
}

// The backdrop loader on the program's own embedded pictures.
class GfxBackdrop : public ::testing::Test {
protected:
    void SetUp() override {
        harness::ensureApp();
        savedBack = BackBuffer, savedBackdrop = Backdrop, savedId = backdropId;
        BackBuffer = Backdrop = Image{};
        ASSERT_EQ(0, layoutDisplay(0, 480));
    }
    void TearDown() override {
        freeImage(&BackBuffer);
        freeImage(&Backdrop);
        BackBuffer = savedBack, Backdrop = savedBackdrop, backdropId = savedId;
    }
    static bool have(ResourceId id) {
        uint32_t size = 0;
        return findResource(id, &size) != nullptr;
    }
    Image savedBack{}, savedBackdrop{};
    uint32_t savedId = 0;
};

TEST_F(GfxBackdrop, DecodesOnceAndResetsTheClock) {
    if (!have(132)) GTEST_SKIP() << "splash.jpg is not in this build";
    nextTickTime = -5;
    ASSERT_EQ(0, loadBackdrop(ResSplash));
    EXPECT_EQ(132u, backdropId);
    EXPECT_EQ(nowMs(), nextTickTime);
    Image direct;
    ASSERT_EQ(0, decodeJpeg(&direct, ResSplash));
    EXPECT_EQ(0, std::memcmp(direct.pixels, Backdrop.pixels, 153600));
    freeImage(&direct);
    // Already there: nothing is decoded and the clock is left alone.
    std::memset(Backdrop.pixels, 0x77, 16);
    nextTickTime = -5;
    EXPECT_EQ(0, loadBackdrop(ResSplash));
    EXPECT_EQ(-5, nextTickTime);
    EXPECT_EQ(0x77, Backdrop.pixels[0]);
    // An unknown picture changes nothing.
    EXPECT_EQ(1, loadBackdrop(999));
    EXPECT_EQ(132u, backdropId);
    EXPECT_EQ(0x77, Backdrop.pixels[0]);
}

TEST_F(GfxBackdrop, SmallPictureCoversItsOwnRectangle) {
    if (!have(122)) GTEST_SKIP() << "mainmenuB.jpg is not in this build";
    std::memset(Backdrop.pixels, 0x5A, 153600);
    ASSERT_EQ(0, loadBackdrop(ResMainMenuBanner));
    Image small;
    ASSERT_EQ(0, decodeJpeg(&small, ResMainMenuBanner));
    for (int32_t y = 0; y < 320; ++y)
        for (int32_t x = 0; x < 240; ++x) {
            uint16_t want = (x < small.width && y < small.height) ? at(small, x, y) : 0x5A5A;
            ASSERT_EQ(want, at(Backdrop, x, y)) << x << "," << y;
        }
    freeImage(&small);
}

}  // namespace
