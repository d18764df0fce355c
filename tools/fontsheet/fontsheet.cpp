// fontsheet.cpp -- draws all 256 glyphs of the game's font in a 16 x 16 grid, labelled with their
// codes in hexadecimal, through the game's own text drawing, and saves the sheet as a PNG.
// Usage: kalvoro-fontsheet [output.png [scale]]   (defaults: font-sheet.png, scale 2)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "render/msx_font.h"
#include "render/render.h"
#include "tools/common/png_writer.h"
#include "app/safe_output.h"

static const int32_t SHEET_MARGIN = 4;
static const int32_t SHEET_GRID_X = 24; // room for the row labels "00".."F0"
static const int32_t SHEET_GRID_Y = 16; // room for the column labels "0".."F"
static const int32_t SHEET_PITCH = 12;  // an 8 x 8 glyph cell plus a 4-pixel gap
static const int32_t SHEET_W = SHEET_GRID_X + 16 * SHEET_PITCH + SHEET_MARGIN;
static const int32_t SHEET_H = SHEET_GRID_Y + 16 * SHEET_PITCH + SHEET_MARGIN;
static const int32_t SHEET_MAX_SCALE = 16;

static const uint32_t SHEET_BACKGROUND = 0x101418;
static const uint32_t SHEET_CELL = 0x2C3440; // shows the extent of each 8 x 8 cell
static const uint32_t SHEET_GLYPH = 0xFFFFFF;
static const uint32_t SHEET_LABEL = 0xE0C060;

static uint32_t gSheet[SHEET_W * SHEET_H];

// Draws text through the game's font into the top rows of pixelBuffer, then copies the lit pixels
// to (x, y) of the sheet in the given colour.
static void SheetText(int32_t x, int32_t y, const char* text, uint32_t colour) {
    const uint32_t mark = 1;
    int32_t w = MsxStringWidth(text, 1);
    memset(pixelBuffer, 0, sizeof(uint32_t) * LOGICAL_WIDTH * 8);
    DrawMsxString(0, 0, text, mark, 1);
    for (int32_t row = 0; row < 8; ++row) {
        for (int32_t col = 0; col < w && col < LOGICAL_WIDTH; ++col) {
            if (pixelBuffer[row * LOGICAL_WIDTH + col] == mark && x + col < SHEET_W && y + row < SHEET_H) {
                gSheet[(y + row) * SHEET_W + x + col] = colour;
            }
        }
    }
}

static void SheetFill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    for (int32_t row = y; row < y + h; ++row) {
        for (int32_t col = x; col < x + w; ++col) {
            gSheet[row * SHEET_W + col] = colour;
        }
    }
}

static void SheetDraw(void) {
    static const char HEX[] = "0123456789ABCDEF";
    SheetFill(0, 0, SHEET_W, SHEET_H, SHEET_BACKGROUND);
    for (int32_t i = 0; i < 16; ++i) {
        char column[2] = {HEX[i], 0};
        SheetText(SHEET_GRID_X + i * SHEET_PITCH, SHEET_MARGIN, column, SHEET_LABEL);
        char row[3] = {HEX[i], '0', 0};
        SheetText(SHEET_MARGIN, SHEET_GRID_Y + i * SHEET_PITCH, row, SHEET_LABEL);
    }
    for (int32_t code = 0; code < 256; ++code) {
        int32_t x = SHEET_GRID_X + (code % 16) * SHEET_PITCH;
        int32_t y = SHEET_GRID_Y + (code / 16) * SHEET_PITCH;
        SheetFill(x, y, 8, 8, SHEET_CELL);
        // Code 0 ends a string, so it cannot be drawn as text; it is blank anyway.
        char glyph[2] = {(char)code, 0};
        if (code != 0) {
            SheetText(x, y, glyph, SHEET_GLYPH);
        }
    }
}

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "font-sheet.png";
    // An option is never a file name: --help and anything like it get the usage, not a PNG.
    const int help = argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h"));
    if (argc > 3 || (argc > 1 && argv[1][0] == '-')) {
        fprintf(help ? stdout : stderr,
                "usage: kalvoro-fontsheet [OUT.png [SCALE]]\n"
                "draws every glyph of the game's font into OUT.png (default font-sheet.png), SCALE 1 to %d "
                "(default 2)\n",
                SHEET_MAX_SCALE);
        return help ? 0 : 2;
    }
    int32_t scale = argc > 2 ? atoi(argv[2]) : 2;
    if (scale < 1 || scale > SHEET_MAX_SCALE) {
        fprintf(stderr, "kalvoro-fontsheet: scale must be 1 to %d\n", SHEET_MAX_SCALE);
        return 2;
    }
    char why[320];
    if (!SafeOutputWritable(path, why, sizeof(why))) {
        fprintf(stderr, "kalvoro-fontsheet: %s\n", why);
        return 2;
    }
    MsxFontInit();
    SheetDraw();
    int32_t outW = SHEET_W * scale;
    int32_t outH = SHEET_H * scale;
    uint32_t* out = (uint32_t*)malloc(sizeof(uint32_t) * (size_t)outW * (size_t)outH);
    if (!out) {
        fprintf(stderr, "kalvoro-fontsheet: out of memory\n");
        return 1;
    }
    for (int32_t y = 0; y < outH; ++y) {
        for (int32_t x = 0; x < outW; ++x) {
            out[y * outW + x] = gSheet[(y / scale) * SHEET_W + x / scale];
        }
    }
    int ok = PngWrite(path, out, outW, outH);
    free(out);
    if (!ok) {
        fprintf(stderr, "kalvoro-fontsheet: could not write %s\n", path);
        return 1;
    }
    printf("%s: %d x %d\n", path, outW, outH);
    return 0;
}
