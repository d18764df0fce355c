// msx_font_test.cpp -- the font table's fixed glyphs and layout rules, text width and centring,
// exact glyph pixels at each scale, clipping, and the blinking prompt.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "render/msx_font.h"
#include "render/render.h"

namespace {

const uint32_t INK = 0x00FFEE10;

void ClearBuffer() {
    memset(pixelBuffer, 0, sizeof(pixelBuffer));
}

std::vector<uint32_t> Snapshot() {
    return std::vector<uint32_t>(pixelBuffer, pixelBuffer + 64000);
}

// What a call draws, on an otherwise empty buffer.
template <typename Draw> std::vector<uint32_t> Drawn(Draw draw) {
    ClearBuffer();
    draw();
    return Snapshot();
}

int32_t LitCount() {
    int32_t n = 0;
    for (uint32_t p : pixelBuffer) {
        n += p != 0;
    }
    return n;
}

bool GlyphBit(uint8_t code, int32_t col, int32_t row) {
    return MSX_FONT_DATA[code * 8 + row] & (0x80u >> col);
}

struct FixedGlyph {
    uint8_t code;
    uint8_t rows[8];
};

// The glyphs every text of the game is drawn with, byte for byte.
const FixedGlyph FIXED[] = {
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {'!', {0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x20, 0x00}},
    {'(', {0x10, 0x20, 0x40, 0x40, 0x40, 0x20, 0x10, 0x00}},
    {')', {0x20, 0x10, 0x08, 0x08, 0x08, 0x10, 0x20, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x78, 0x00, 0x00, 0x00, 0x00}},
    {'0', {0x38, 0x44, 0x4C, 0x54, 0x64, 0x44, 0x38, 0x00}},
    {'2', {0x38, 0x44, 0x04, 0x18, 0x20, 0x40, 0x7C, 0x00}},
    {':', {0x00, 0x00, 0x10, 0x00, 0x00, 0x10, 0x00, 0x00}},
    {'=', {0x00, 0x00, 0x78, 0x00, 0x78, 0x00, 0x00, 0x00}},
    {'A', {0x20, 0x50, 0x88, 0x88, 0xF8, 0x88, 0x88, 0x00}},
    {'B', {0xF0, 0x48, 0x48, 0x70, 0x48, 0x48, 0xF0, 0x00}},
    {'C', {0x30, 0x48, 0x80, 0x80, 0x80, 0x48, 0x30, 0x00}},
    {'D', {0xE0, 0x50, 0x48, 0x48, 0x48, 0x50, 0xE0, 0x00}},
    {'E', {0xF8, 0x80, 0x80, 0xF0, 0x80, 0x80, 0xF8, 0x00}},
    {'F', {0xF8, 0x80, 0x80, 0xF0, 0x80, 0x80, 0x80, 0x00}},
    {'G', {0x70, 0x88, 0x80, 0xB8, 0x88, 0x88, 0x70, 0x00}},
    {'H', {0x88, 0x88, 0x88, 0xF8, 0x88, 0x88, 0x88, 0x00}},
    {'I', {0x70, 0x20, 0x20, 0x20, 0x20, 0x20, 0x70, 0x00}},
    {'J', {0x38, 0x10, 0x10, 0x10, 0x90, 0x90, 0x60, 0x00}},
    {'K', {0x88, 0x90, 0xA0, 0xC0, 0xA0, 0x90, 0x88, 0x00}},
    {'L', {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0xF8, 0x00}},
    {'M', {0x88, 0xD8, 0xA8, 0xA8, 0x88, 0x88, 0x88, 0x00}},
    {'N', {0x88, 0xC8, 0xC8, 0xA8, 0x98, 0x98, 0x88, 0x00}},
    {'O', {0x70, 0x88, 0x88, 0x88, 0x88, 0x88, 0x70, 0x00}},
    {'P', {0xF0, 0x88, 0x88, 0xF0, 0x80, 0x80, 0x80, 0x00}},
    {'Q', {0x70, 0x88, 0x88, 0x88, 0xA8, 0x90, 0x68, 0x00}},
    {'R', {0xF0, 0x88, 0x88, 0xF0, 0xA0, 0x90, 0x88, 0x00}},
    {'S', {0x70, 0x88, 0x80, 0x70, 0x08, 0x88, 0x70, 0x00}},
    {'T', {0xF8, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00}},
    {'U', {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x70, 0x00}},
    {'V', {0x88, 0x88, 0x88, 0x88, 0x50, 0x50, 0x20, 0x00}},
    {'W', {0x88, 0x88, 0x88, 0xA8, 0xA8, 0xD8, 0x88, 0x00}},
    {'X', {0x88, 0x88, 0x50, 0x20, 0x50, 0x88, 0x88, 0x00}},
    {'Y', {0x88, 0x88, 0x88, 0x70, 0x20, 0x20, 0x20, 0x00}},
    {'Z', {0xF8, 0x08, 0x10, 0x20, 0x40, 0x80, 0xF8, 0x00}},
};

TEST(MsxFontTableTest, TextGlyphsAreByteExact) {
    for (const FixedGlyph& g : FIXED) {
        EXPECT_EQ(memcmp(MSX_FONT_DATA + g.code * 8, g.rows, 8), 0) << "glyph '" << (char)g.code << "'";
    }
}

TEST(MsxFontTableTest, OnlyZeroSpaceAnd224AreBlank) {
    for (int32_t code = 0; code < 256; ++code) {
        bool blank = true;
        for (int32_t row = 0; row < 8; ++row) {
            blank = blank && MSX_FONT_DATA[code * 8 + row] == 0;
        }
        EXPECT_EQ(blank, code == 0 || code == 32 || code == 224) << "code " << code;
    }
}

TEST(MsxFontTableTest, PrintableCharactersKeepToTheirPartOfTheCell) {
    const std::string descenders = "gjpqy,;";
    for (int32_t code = 33; code <= 126; ++code) {
        const uint8_t* g = MSX_FONT_DATA + code * 8;
        uint8_t columns = 0;
        for (int32_t row = 0; row < 8; ++row) {
            columns |= g[row];
        }
        EXPECT_EQ(columns & 0x03, 0) << "'" << (char)code << "' is wider than six columns";
        bool descends = descenders.find((char)code) != std::string::npos;
        EXPECT_EQ(g[7] != 0, descends) << "bottom row of '" << (char)code << "'";
        if (code >= 'A' && code <= 'Z') {
            EXPECT_EQ(columns & 0x07, 0) << "'" << (char)code << "' leaves columns 0..4";
        }
        if (code >= '0' && code <= '9') {
            EXPECT_EQ(columns & 0x83, 0) << "'" << (char)code << "' leaves columns 1..5";
        }
    }
}

TEST(MsxStringWidthTest, EightPixelsPerByteAtTheScale) {
    EXPECT_EQ(MsxStringWidth("ABC", 0), 24);
    EXPECT_EQ(MsxStringWidth("ABC", -3), 24);
    EXPECT_EQ(MsxStringWidth("ABC", 1), 24);
    EXPECT_EQ(MsxStringWidth("ABC", 3), 72);
    EXPECT_EQ(MsxStringWidth("", 2), 0);
    EXPECT_EQ(MsxStringWidth(nullptr, 2), 0);
    EXPECT_EQ(MsxStringWidth("\x01\x7F\xFF", 1), 24); // every byte counts, high ones too
    // An absurd scale saturates instead of wrapping to a small or negative width.
    EXPECT_EQ(MsxStringWidth("ABC", INT32_MAX), INT32_MAX - 7);
}

TEST(DrawMsxStringTest, LightsExactlyTheGlyphBits) {
    ClearBuffer();
    DrawMsxString(0, 0, "A", INK, 1);
    int32_t lit = 0;
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            EXPECT_EQ(pixelBuffer[y * 320 + x], GlyphBit('A', x, y) ? INK : 0u) << x << "," << y;
            lit += GlyphBit('A', x, y);
        }
    }
    EXPECT_EQ(LitCount(), lit);
}

TEST(DrawMsxStringTest, ScaleTwoMakesSquaresAndSixteenPixelCells) {
    ClearBuffer();
    DrawMsxString(10, 20, "AB", INK, 2);
    int32_t lit = 0;
    for (int32_t k = 0; k < 2; ++k) {
        uint8_t code = "AB"[k];
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                bool on = GlyphBit(code, x / 2, y / 2);
                EXPECT_EQ(pixelBuffer[(20 + y) * 320 + 10 + 16 * k + x], on ? INK : 0u);
                lit += on;
            }
        }
    }
    EXPECT_EQ(LitCount(), lit);
}

TEST(DrawMsxStringTest, ScalesBelowOneDrawAsOne) {
    auto one = Drawn([] { DrawMsxString(30, 40, "GO!", INK, 1); });
    EXPECT_EQ(Drawn([] { DrawMsxString(30, 40, "GO!", INK, 0); }), one);
    EXPECT_EQ(Drawn([] { DrawMsxString(30, 40, "GO!", INK, -3); }), one);
}

TEST(DrawMsxStringTest, SpaceAdvancesWithoutDrawingAndNothingIsCleared) {
    auto shifted = Drawn([] { DrawMsxString(8, 0, "A", INK, 1); });
    EXPECT_EQ(Drawn([] { DrawMsxString(0, 0, " A", INK, 1); }), shifted);
    // Text has no background: what was under the blank bits stays.
    for (uint32_t& p : pixelBuffer) {
        p = 0x00010203;
    }
    DrawMsxString(0, 0, " ", INK, 4);
    DrawMsxString(0, 0, nullptr, INK, 1);
    for (uint32_t p : pixelBuffer) {
        ASSERT_EQ(p, 0x00010203u);
    }
}

TEST(DrawMsxStringTest, BytesAreUnsignedAndControlCodesHaveGlyphs) {
    ClearBuffer();
    DrawMsxString(0, 0, "\xE1", INK, 1); // 225, a full block
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            EXPECT_EQ(pixelBuffer[y * 320 + x], GlyphBit(225, x, y) ? INK : 0u);
        }
    }
    ClearBuffer();
    DrawMsxString(0, 0, "\n", INK, 1);
    EXPECT_GT(LitCount(), 0);
}

// Off-screen parts are skipped pixel by pixel; the rest of each glyph square is still drawn.
TEST(DrawMsxStringTest, ClipsPixelByPixelAtEveryEdge) {
    const int32_t spots[][3] = {{-5, -3, 1},       {-7, 190, 3},  {300, -9, 2},
                                {310, 195, 2},     {-1000, 0, 1}, {INT32_MIN, INT32_MIN, 5},
                                {INT32_MAX, 5, 1}, {-20, -20, 40}};
    const char* text = "WM@";
    for (auto& s : spots) {
        ClearBuffer();
        DrawMsxString(s[0], s[1], text, INK, s[2]);
        std::vector<uint32_t> expected(64000, 0);
        for (int64_t k = 0; k < 3; ++k) {
            for (int64_t r = 0; r < 8; ++r) {
                for (int64_t c = 0; c < 8; ++c) {
                    if (!GlyphBit(text[k], c, r)) {
                        continue;
                    }
                    for (int64_t dy = 0; dy < s[2]; ++dy) {
                        for (int64_t dx = 0; dx < s[2]; ++dx) {
                            int64_t x = s[0] + 8 * s[2] * k + c * s[2] + dx;
                            int64_t y = s[1] + r * s[2] + dy;
                            if (x >= 0 && x < 320 && y >= 0 && y < 200) {
                                expected[y * 320 + x] = INK;
                            }
                        }
                    }
                }
            }
        }
        EXPECT_EQ(Snapshot(), expected) << "at " << s[0] << "," << s[1] << " scale " << s[2];
    }
}

TEST(DrawMsxStringCenteredTest, GameTextsStartWhereExpected) {
    struct Case {
        const char* text;
        int32_t scale;
        int32_t x;
    };
    const Case cases[] = {
        {"STAGE CLEAR!", 2, 64},
        {"GAME OVER", 2, 88},
        {"SHOTGUN-KALVORO", 2, 40},
        {"SHOOT OPPOSITE TO JUMP", 1, 72},
        {"2 SHOTS = DOUBLE JUMP", 1, 76},
        {"AIM:LMB  RELOAD:R", 1, 92},
        {"R: RETRY  ESC: TITLE", 1, 80},
        {"01234567890123456789012345678901234567890", 1, 0}, // 328 wide: the last 8 columns fall off
        {"ABC", 0, 148},
    };
    for (const Case& c : cases) {
        auto placed = Drawn([&] { DrawMsxString(c.x, 50, c.text, INK, c.scale); });
        EXPECT_EQ(Drawn([&] { DrawMsxStringCentered(50, c.text, INK, c.scale); }), placed) << c.text;
    }
    ClearBuffer();
    DrawMsxStringCentered(50, nullptr, INK, 1);
    EXPECT_EQ(LitCount(), 0);
}

TEST(PressAnyKeyPromptTest, ShowsForThirtyCountsThenHidesForThirty) {
    auto prompt = Drawn([] { DrawMsxString(108, 168, "PRESS ANY KEY", INK, 1); });
    ASSERT_GT(LitCount(), 0);
    auto blank = std::vector<uint32_t>(64000, 0);
    // Division truncates toward zero, so -29..29 are all phase 0; -59..-30 is phase -1, hidden.
    for (int32_t counter = -89; counter <= 119; ++counter) {
        bool shown = (counter >= -89 && counter <= -60) || (counter >= -29 && counter <= 29) ||
                     (counter >= 60 && counter <= 89);
        EXPECT_EQ(Drawn([&] { DrawPressAnyKeyPrompt(counter, INK); }), shown ? prompt : blank)
            << "counter " << counter;
    }
    EXPECT_EQ(Drawn([] { DrawPressAnyKeyPrompt(INT32_MIN, INK); }), prompt); // phase -71582788, even
}

} // namespace
