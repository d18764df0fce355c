// screen_reference.cpp -- host-side helper of the end-to-end tests (SDL2 window, Wine): renders the title screen with
// the headless backend as the picture a window must show, and compares or probes screenshots.
//   screen_reference title OUT.ppm                        headless title screen at 960 x 600
//   screen_reference compare EXPECTED.ppm ACTUAL.ppm [Y0 Y1]  equal pixel for pixel, logical rows Y0..Y1 aside
//   screen_reference colour FILE.ppm X0 Y0 X1 Y1 RRGGBB   every pixel of the logical box has that colour
//   screen_reference logical SOURCE_ROOT OUT_DIR          OUT_DIR/title.ppm and OUT_DIR/play.ppm, 320 x 200,
//                                                         playing SOURCE_ROOT's stage file (or the built-in one)
//   screen_reference icon SIZE                            the window icon as X11's _NET_WM_ICON lists it
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/icon.h"
#include "app/main.h"
#include "backends/headless/headless.h"
#include "render/render.h"

struct Ppm {
    int32_t w;
    int32_t h;
    std::vector<uint32_t> pixels; // 0x00RRGGBB
};

static bool PpmWrite(const char* path, const uint32_t* pixels, int32_t w, int32_t h) {
    FILE* f = fopen(path, "wb");
    if (!f) {
        return false;
    }
    fprintf(f, "P6\n%d %d\n255\n", (int)w, (int)h);
    for (int32_t i = 0; i < w * h; ++i) {
        const unsigned char rgb[3] = {(unsigned char)(pixels[i] >> 16), (unsigned char)(pixels[i] >> 8),
                                      (unsigned char)pixels[i]};
        fwrite(rgb, 1, 3, f);
    }
    return fclose(f) == 0;
}

// Reads the next header number of a binary PPM, skipping blanks and comments.
static bool PpmReadNumber(FILE* f, int* out) {
    int c = fgetc(f);
    for (;;) {
        if (c == '#') {
            while (c != '\n' && c != EOF) {
                c = fgetc(f);
            }
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            c = fgetc(f);
        } else {
            break;
        }
    }
    if (c < '0' || c > '9') {
        return false;
    }
    long value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + (c - '0');
        if (value > 100000) {
            return false;
        }
        c = fgetc(f);
    }
    *out = (int)value; // the one blank after the number is consumed here
    return true;
}

static bool PpmRead(const char* path, Ppm* out) {
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "screen_reference: cannot open %s\n", path);
        return false;
    }
    int w = 0;
    int h = 0;
    int maxval = 0;
    const bool header = fgetc(f) == 'P' && fgetc(f) == '6' && PpmReadNumber(f, &w) && PpmReadNumber(f, &h) &&
                        PpmReadNumber(f, &maxval) && w > 0 && h > 0 && maxval == 255;
    if (!header) {
        fprintf(stderr, "screen_reference: %s is not an 8-bit binary PPM\n", path);
        fclose(f);
        return false;
    }
    std::vector<unsigned char> rgb((size_t)w * h * 3);
    const bool complete = fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
    fclose(f);
    if (!complete) {
        fprintf(stderr, "screen_reference: %s is cut short\n", path);
        return false;
    }
    out->w = w;
    out->h = h;
    out->pixels.resize((size_t)w * h);
    for (size_t i = 0; i < out->pixels.size(); ++i) {
        out->pixels[i] = ((uint32_t)rgb[i * 3] << 16) | ((uint32_t)rgb[i * 3 + 1] << 8) | rgb[i * 3 + 2];
    }
    return true;
}

// The picture a freshly started game shows in its 960 x 600 window, a few frames in.
static int CommandTitle(const char* outPath) {
    PlatformWindow* window = HeadlessOpenWindow(WINDOW_CLIENT_WIDTH, WINDOW_CLIENT_HEIGHT);
    MainStartup(window);
    for (int i = 0; i < 5; ++i) {
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
    }
    int32_t w = 0;
    int32_t h = 0;
    const uint32_t* image = HeadlessPresentedImage(&w, &h);
    if (!image || w != WINDOW_CLIENT_WIDTH || h != WINDOW_CLIENT_HEIGHT) {
        fprintf(stderr, "screen_reference: the headless game presented no 960 x 600 picture\n");
        return 1;
    }
    return PpmWrite(outPath, image, w, h) ? 0 : 1;
}

// Where the browser test clicks to start, in client pixels of the 960 x 600 page; the crosshair is drawn there.
constexpr int32_t LOGICAL_CLICK_X = 480;
constexpr int32_t LOGICAL_CLICK_Y = 100;
// Frames in play before the picture is taken: the player has landed and the camera's easing has come
// to rest, so only the patrolling enemies depend on how the time was cut into frames.
constexpr int32_t LOGICAL_SETTLE_FRAMES = 150;

static void ReferenceFrame(PlatformWindow* window) {
    HeadlessAdvanceTicks(16);
    HeadlessRunFrame(window);
}

// The logical pictures of the title and of settled play, from the stage file under sourceRoot.
static int CommandLogical(const char* sourceRoot, const char* outDir) {
    std::error_code error;
    std::filesystem::current_path(sourceRoot, error);
    if (error || outDir[0] != '/') {
        fprintf(stderr, "screen_reference: OUT_DIR must be absolute and SOURCE_ROOT a folder\n");
        return 2;
    }
    PlatformWindow* window = HeadlessOpenWindow(WINDOW_CLIENT_WIDTH, WINDOW_CLIENT_HEIGHT);
    MainStartup(window);
    HeadlessSetCursor(LOGICAL_CLICK_X, LOGICAL_CLICK_Y);
    for (int i = 0; i < 5; ++i) {
        ReferenceFrame(window);
    }
    if (!PpmWrite((std::string(outDir) + "/title.ppm").c_str(), pixelBuffer, LOGICAL_WIDTH, LOGICAL_HEIGHT)) {
        return 1;
    }
    HeadlessSetKeyDown(1, 1);
    ReferenceFrame(window);
    HeadlessSetKeyDown(1, 0);
    for (int32_t i = 0; i < LOGICAL_SETTLE_FRAMES; ++i) {
        ReferenceFrame(window);
    }
    return PpmWrite((std::string(outDir) + "/play.ppm").c_str(), pixelBuffer, LOGICAL_WIDTH, LOGICAL_HEIGHT) ? 0 : 1;
}

// Scale of a screenshot of the whole client area at start-up size (the picture fills it exactly).
static int32_t ScaleOf(const Ppm& image) {
    return image.w / LOGICAL_WIDTH;
}

static int CommandCompare(const char* expectedPath, const char* actualPath, int maskY0, int maskY1) {
    Ppm expected;
    Ppm actual;
    if (!PpmRead(expectedPath, &expected) || !PpmRead(actualPath, &actual)) {
        return 1;
    }
    if (expected.w != actual.w || expected.h != actual.h) {
        fprintf(stderr, "compare: size %dx%d, expected %dx%d\n", (int)actual.w, (int)actual.h,
                (int)expected.w, (int)expected.h);
        return 1;
    }
    const int32_t scale = ScaleOf(expected);
    long differing = 0;
    for (int32_t y = 0; y < expected.h; ++y) {
        const int32_t logicalY = scale > 0 ? y / scale : y;
        if (logicalY >= maskY0 && logicalY <= maskY1) {
            continue;
        }
        for (int32_t x = 0; x < expected.w; ++x) {
            const size_t i = (size_t)y * expected.w + x;
            if (expected.pixels[i] != actual.pixels[i]) {
                if (differing == 0) {
                    fprintf(stderr, "compare: first difference at client (%d, %d): %06X, expected %06X\n",
                            (int)x, (int)y, (unsigned)actual.pixels[i], (unsigned)expected.pixels[i]);
                }
                ++differing;
            }
        }
    }
    if (differing) {
        fprintf(stderr, "compare: %ld pixels differ\n", differing);
        return 1;
    }
    printf("compare: %dx%d identical (logical rows %d-%d masked)\n", (int)expected.w, (int)expected.h, maskY0,
           maskY1);
    return 0;
}

static int CommandColour(const char* path, int x0, int y0, int x1, int y1, uint32_t colour) {
    Ppm image;
    if (!PpmRead(path, &image)) {
        return 1;
    }
    const int32_t scale = ScaleOf(image);
    if (scale < 1 || x0 > x1 || y0 > y1 || x0 < 0 || y0 < 0 || (x1 + 1) * scale > image.w ||
        (y1 + 1) * scale > image.h) {
        fprintf(stderr, "colour: box (%d, %d)-(%d, %d) is not inside the %dx%d picture\n", x0, y0, x1, y1,
                (int)image.w, (int)image.h);
        return 1;
    }
    for (int32_t y = y0 * scale; y < (y1 + 1) * scale; ++y) {
        for (int32_t x = x0 * scale; x < (x1 + 1) * scale; ++x) {
            const uint32_t seen = image.pixels[(size_t)y * image.w + x];
            if (seen != colour) {
                fprintf(stderr, "colour: client (%d, %d) is %06X, expected %06X\n", (int)x, (int)y,
                        (unsigned)seen, (unsigned)colour);
                return 1;
            }
        }
    }
    printf("colour: logical (%d..%d, %d..%d) is %06X\n", x0, x1, y0, y1, (unsigned)colour);
    return 0;
}

// "SIZE, SIZE, ARGB, ..." in decimal, as `xprop -notype -f _NET_WM_ICON 32c _NET_WM_ICON` prints it.
static int CommandIcon(int32_t size) {
    std::vector<uint32_t> icon((size_t)ICON_MAX_SIZE * ICON_MAX_SIZE);
    if (!IconDraw(size, icon.data())) {
        fprintf(stderr, "icon: no icon of size %d\n", size);
        return 1;
    }
    printf("%d, %d", size, size);
    for (int32_t i = 0; i < size * size; ++i) {
        printf(", %u", (unsigned)icon[(size_t)i]);
    }
    printf("\n");
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "icon") == 0) {
        return CommandIcon(atoi(argv[2]));
    }
    if (argc == 3 && strcmp(argv[1], "title") == 0) {
        return CommandTitle(argv[2]);
    }
    if ((argc == 4 || argc == 6) && strcmp(argv[1], "compare") == 0) {
        const int y0 = argc == 6 ? atoi(argv[4]) : 1;
        const int y1 = argc == 6 ? atoi(argv[5]) : 0;
        return CommandCompare(argv[2], argv[3], y0, y1);
    }
    if (argc == 4 && strcmp(argv[1], "logical") == 0) {
        return CommandLogical(argv[2], argv[3]);
    }
    if (argc == 8 && strcmp(argv[1], "colour") == 0) {
        return CommandColour(argv[2], atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]),
                             (uint32_t)strtoul(argv[7], NULL, 16));
    }
    fprintf(stderr, "usage: screen_reference title OUT.ppm | compare EXPECTED ACTUAL [Y0 Y1] | "
                    "colour FILE X0 Y0 X1 Y1 RRGGBB | logical SOURCE_ROOT OUT_DIR | icon SIZE\n");
    return 2;
}
