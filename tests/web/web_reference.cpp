// web_reference.cpp -- the pictures the browser test expects, made by the headless build: the 320 x 200
// logical picture of the title screen, and of play once the player has landed and the view has settled.
//   web_reference SOURCE_ROOT OUT_DIR   writes OUT_DIR/title.ppm and OUT_DIR/play.ppm
// It runs in SOURCE_ROOT, so it plays the same stage file that the page carries (or the built-in one).
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "app/main.h"
#include "platform/headless/headless.h"
#include "render/render.h"

// Where the test clicks to start, in client pixels of the 960 x 600 page; the crosshair is drawn there.
constexpr int32_t CLICK_X = 480;
constexpr int32_t CLICK_Y = 100;
constexpr uint32_t FRAME_MS = 16;
// Frames in play before the picture is taken: the player has landed and the camera's easing has come
// to rest, so only the patrolling enemies depend on how the time was cut into frames.
constexpr int32_t SETTLE_FRAMES = 150;

static bool WebReferenceWrite(const std::string& path) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "web_reference: cannot write %s\n", path.c_str());
        return false;
    }
    fprintf(f, "P6\n%d %d\n255\n", (int)LOGICAL_WIDTH, (int)LOGICAL_HEIGHT);
    for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++i) {
        const unsigned char rgb[3] = {(unsigned char)(pixelBuffer[i] >> 16),
                                      (unsigned char)(pixelBuffer[i] >> 8), (unsigned char)pixelBuffer[i]};
        fwrite(rgb, 1, 3, f);
    }
    return fclose(f) == 0;
}

static void WebReferenceFrame(PlatformWindow* window) {
    HeadlessAdvanceTicks(FRAME_MS);
    HeadlessRunFrame(window);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: web_reference SOURCE_ROOT OUT_DIR\n");
        return 2;
    }
    const std::string outDir = argv[2][0] == '/' ? std::string(argv[2]) : std::string();
    if (outDir.empty() || chdir(argv[1]) != 0) {
        fprintf(stderr, "web_reference: OUT_DIR must be absolute and SOURCE_ROOT a folder\n");
        return 2;
    }
    PlatformWindow* window = HeadlessOpenWindow(WINDOW_CLIENT_WIDTH, WINDOW_CLIENT_HEIGHT);
    MainStartup(window);
    HeadlessSetCursor(CLICK_X, CLICK_Y);
    for (int i = 0; i < 5; ++i) {
        WebReferenceFrame(window);
    }
    if (!WebReferenceWrite(outDir + "/title.ppm")) {
        return 1;
    }
    HeadlessSetKeyDown(1, 1);
    WebReferenceFrame(window);
    HeadlessSetKeyDown(1, 0);
    for (int32_t i = 0; i < SETTLE_FRAMES; ++i) {
        WebReferenceFrame(window);
    }
    return WebReferenceWrite(outDir + "/play.ppm") ? 0 : 1;
}
