// frame_cost.cpp -- kalvoro-frame-cost: runs one piece of the frame a given number of times, for
// instruction counts that do not depend on the machine's load:
//   valgrind --tool=callgrind --toggle-collect='FrameCostRun*' kalvoro-frame-cost PIECE COUNT
// then divide the reported Ir by COUNT. Pieces: floor, play, play-shipped, update, render, title,
// tiles-N (N ground tiles on screen), tiles-mixed (every kind mixed, cut at all four edges), crowd (a
// frame of play with every walker), editor-N (the editor's step and picture on the stage N of
// BenchEditorStart), present-WxH, audio-silent, audio-drone, audio-six, game (frames of the long
// scripted play through the whole headless game at 960 x 600).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/main.h"
#include "audio/audio.h"
#include "bench/bench_long_play.h"
#include "bench/bench_play.h"
#include "backends/headless/headless.h"
#include "render/msx_font.h"
#include "render/render.h"
#include "world/level.h"

static Tilemap gTiles;
static float gTilesX;
static float gTilesY;
static PlatformWindow* gWindow;

enum FrameCostPiece {
    PIECE_FLOOR,
    PIECE_PLAY,
    PIECE_UPDATE,
    PIECE_RENDER,
    PIECE_TITLE,
    PIECE_TILES,
    PIECE_PRESENT,
    PIECE_AUDIO,
    PIECE_GAME,
    PIECE_EDITOR
};

// Kept out of line so callgrind can collect exactly this call.
__attribute__((noinline)) void FrameCostRun(int piece, long count, int32_t voices) {
    for (long i = 0; i < count; ++i) {
        switch (piece) {
        case PIECE_FLOOR:
            RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, 0x58A4D8);
            break;
        case PIECE_PLAY:
            GameStateUpdate(16.0f);
            GameStateRender();
            break;
        case PIECE_UPDATE:
            GameStateUpdate(16.0f);
            break;
        case PIECE_RENDER:
            GameStateRender();
            break;
        case PIECE_TITLE:
            GameStateUpdate(16.0f);
            GameStateRender();
            break;
        case PIECE_TILES:
            TilemapRender(&gTiles, gTilesX, gTilesY);
            break;
        case PIECE_PRESENT:
            PresentPixelBuffer(gWindow);
            break;
        case PIECE_AUDIO:
            AudioInit();
            for (int32_t v = 0; v < voices; ++v) {
                AudioPlaySfx(SFX_SHOT);
            }
            HeadlessAdvanceTicks(1000);
            AudioTick();
            break;
        case PIECE_GAME:
            BenchLongPlayFrame(gWindow, (int32_t)i + 1);
            break;
        case PIECE_EDITOR:
            HeadlessAdvanceTicks(16);
            EditorStep(gWindow, 16.0f);
            EditorRender();
            break;
        }
    }
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: kalvoro-frame-cost PIECE COUNT\n");
        return 2;
    }
    const char* name = argv[1];
    const long count = atol(argv[2]);
    int piece = -1;
    int32_t voices = 0;
    HeadlessAudioSetRecording(0);
    if (strcmp(name, "floor") == 0) {
        piece = PIECE_FLOOR;
    } else if (strcmp(name, "play") == 0 || strcmp(name, "play-shipped") == 0 ||
               strcmp(name, "update") == 0 || strcmp(name, "render") == 0) {
        BenchGameStart(strcmp(name, "play-shipped") == 0);
        if (!BenchPlayEnterMidStage()) {
            fprintf(stderr, "kalvoro-frame-cost: no ground mid-stage that the walkers never reach\n");
            return 1;
        }
        piece = strcmp(name, "update") == 0   ? PIECE_UPDATE
                : strcmp(name, "render") == 0 ? PIECE_RENDER
                                              : PIECE_PLAY;
    } else if (strcmp(name, "title") == 0) {
        MsxFontInit();
        GameStateInit();
        piece = PIECE_TITLE;
    } else if (strcmp(name, "tiles-mixed") == 0) {
        BenchMixedTiles(&gTiles);
        gTilesX = BENCH_MIXED_X;
        gTilesY = BENCH_MIXED_Y;
        piece = PIECE_TILES;
    } else if (strcmp(name, "crowd") == 0) {
        if (!BenchCrowdStart()) {
            fprintf(stderr, "kalvoro-frame-cost: the crowded stage did not come up with every walker alive\n");
            return 1;
        }
        piece = PIECE_PLAY;
    } else if (strncmp(name, "editor-", 7) == 0) {
        gWindow = BenchEditorStart(atoi(name + 7));
        piece = PIECE_EDITOR;
    } else if (strncmp(name, "tiles-", 6) == 0) {
        const int32_t n = atoi(name + 6);
        TilemapClear(&gTiles);
        TilemapSetTile(&gTiles, MAP_MAX_COLS - 1, MAP_MAX_ROWS - 1, TILE_EMPTY);
        for (int32_t i = 0; i < n; ++i) {
            TilemapSetTile(&gTiles, i % 20, i / 20, TILE_GROUND);
        }
        piece = PIECE_TILES;
    } else if (strncmp(name, "present-", 8) == 0) {
        int32_t w = 0, h = 0;
        if (sscanf(name + 8, "%dx%d", &w, &h) != 2) {
            return 2;
        }
        gWindow = HeadlessOpenWindow(w, h);
        UpdateDisplayLayout(gWindow);
        piece = PIECE_PRESENT;
    } else if (strncmp(name, "audio-", 6) == 0) {
        AudioInit();
        AudioSetTrack(strcmp(name, "audio-drone") == 0 ? TRACK_STAGE : TRACK_MENU);
        voices = strcmp(name, "audio-six") == 0 ? SFX_VOICE_COUNT : 0;
        piece = PIECE_AUDIO;
    } else if (strcmp(name, "game") == 0) {
        LevelSetStagePath(BenchStagePath(BenchHaveShippedStage()));
        gWindow = HeadlessOpenWindow(960, 600);
        MainStartup(gWindow);
        BenchLongPlayFrame(gWindow, 0);
        piece = PIECE_GAME;
    }
    if (piece < 0) {
        fprintf(stderr, "kalvoro-frame-cost: unknown piece %s\n", name);
        return 2;
    }
    FrameCostRun(piece, count, voices);
    if ((piece == PIECE_PLAY || piece == PIECE_UPDATE || piece == PIECE_RENDER) && strcmp(name, "crowd") != 0 &&
        !BenchPlayIsMidStage()) {
        fprintf(stderr, "kalvoro-frame-cost: the play left mid-stage while counted\n");
        return 1;
    }
    return 0;
}
