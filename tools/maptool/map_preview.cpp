// map_preview.cpp -- renders a stage with the camera stepped over it in whole screens. The views step
// by 320 x 192 pixels, both whole tiles, so no tile is ever cut at a seam (the game outlines a cut tile
// along its cut edge); the bottom 8 rows of each view are not used.
#include "tools/maptool/map_preview.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "app/game_state.h"
#include "render/palette.h"
#include "render/render.h"
#include "tools/runner/replay_run.h"

static const int32_t PREVIEW_STEP_X = LOGICAL_WIDTH;  // 20 tiles
static const int32_t PREVIEW_STEP_Y = 12 * TILE_SIZE; // 192: the whole tiles of a 200-row view
static const uint32_t PREVIEW_DROPPED = PALETTE_PINK;     // outline of a marker that does not walk
static const uint32_t ROUTE_DOT = PALETTE_WHITE;
static const uint32_t ROUTE_EDGE = PALETTE_BLACK;
static const uint32_t ROUTE_SHOT = PALETTE_YELLOW;
static const int32_t ROUTE_SHOT_RADIUS = 5;

int MapPreviewDraw(const Tilemap* map, std::vector<uint32_t>* pixels, int32_t* w, int32_t* h) {
    if (!map || map->width <= 0 || map->height <= 0) {
        return 0;
    }
    *w = map->width * TILE_SIZE;
    *h = map->height * TILE_SIZE;
    pixels->assign((size_t)*w * (size_t)*h, 0);

    // The actors as the stage starts: the player settled on its spawn by one physics step, as the
    // game's first update does, and the enemies the game creates.
    static Tilemap work; // large: kept out of the stack
    work = *map;
    Player player;
    PlayerInit(&player, map->spawnX, map->spawnY);
    PhysicsIntegrate(&player.body, 2.0f);
    TilemapResolveBody(&work, &player.body, 2.0f);
    Enemy enemies[MAX_ENEMIES];
    int enemyCount = 0;
    EnemySpawnDefaults(enemies, &enemyCount, &work);

    for (int32_t camY = 0; camY < *h; camY += PREVIEW_STEP_Y) {
        for (int32_t camX = 0; camX < *w; camX += PREVIEW_STEP_X) {
            const float cx = (float)camX;
            const float cy = (float)camY;
            TilemapRender(map, cx, cy);
            EnemyRender(enemies, enemyCount, cx, cy);
            // Spawn entries beyond the eighth are removed by the game: shown as an outline only.
            for (int32_t i = MAX_ENEMIES; i < map->enemySpawnCount; ++i) {
                const int32_t ex = (int32_t)map->enemySpawnX[i] - camX;
                const int32_t ey = (int32_t)map->enemySpawnY[i] - camY;
                RenderDrawBox(ex - 6, ey - 14, 12, 24, PREVIEW_DROPPED);
            }
            PlayerRender(&player, cx, cy);
            const int32_t rows = *h - camY < PREVIEW_STEP_Y ? *h - camY : PREVIEW_STEP_Y;
            const int32_t cols = *w - camX < PREVIEW_STEP_X ? *w - camX : PREVIEW_STEP_X;
            for (int32_t y = 0; y < rows; ++y) {
                memcpy(pixels->data() + (size_t)(camY + y) * (size_t)*w + (size_t)camX,
                       pixelBuffer + (size_t)y * LOGICAL_WIDTH, (size_t)cols * sizeof(uint32_t));
            }
        }
    }
    return 1;
}

struct RoutePlot {
    uint32_t* pixels;
    int32_t w;
    int32_t h;
    int32_t lastShells;
    int32_t plays;
};

static void RoutePut(RoutePlot* plot, int32_t x, int32_t y, uint32_t colour) {
    if (x >= 0 && y >= 0 && x < plot->w && y < plot->h) {
        plot->pixels[(size_t)y * (size_t)plot->w + (size_t)x] = colour;
    }
}

// A 2 x 2 dot with a dark rim, so it shows on sky and blocks alike.
static void RouteDot(RoutePlot* plot, int32_t x, int32_t y) {
    for (int32_t dy = -1; dy <= 2; ++dy) {
        for (int32_t dx = -1; dx <= 2; ++dx) {
            const int inner = dx >= 0 && dx <= 1 && dy >= 0 && dy <= 1;
            RoutePut(plot, x + dx, y + dy, inner ? ROUTE_DOT : ROUTE_EDGE);
        }
    }
}

static void RouteRing(RoutePlot* plot, int32_t x, int32_t y) {
    const int32_t r = ROUTE_SHOT_RADIUS;
    for (int32_t dy = -r - 1; dy <= r + 1; ++dy) {
        for (int32_t dx = -r - 1; dx <= r + 1; ++dx) {
            const int32_t d = dx * dx + dy * dy;
            if (d >= (r - 1) * (r - 1) && d <= r * r) {
                RoutePut(plot, x + dx, y + dy, ROUTE_SHOT);
            } else if (d > r * r && d <= (r + 1) * (r + 1)) {
                RoutePut(plot, x + dx, y + dy, ROUTE_EDGE);
            }
        }
    }
}

static int RouteOnFrame(void* user, const ReplayFrameInput* input, const ReplayState* state,
                        ReplayRunResult* result) {
    (void)input;
    (void)result;
    RoutePlot* plot = (RoutePlot*)user;
    if (state->mode != MODE_PLAYING && state->mode != MODE_STAGE_CLEAR) {
        plot->lastShells = -1;
        return 1;
    }
    const int32_t x = (int32_t)lroundf(state->x);
    const int32_t y = (int32_t)lroundf(state->y);
    // The shells drop by one on the frame of a shot; a new start refills them.
    if (plot->lastShells >= 0 && state->shells < plot->lastShells) {
        RouteRing(plot, x, y);
    } else if (state->frame % 2 == 0) {
        RouteDot(plot, x, y);
    }
    plot->lastShells = state->shells;
    plot->plays++;
    return 1;
}

int32_t MapPreviewDrawRoute(const char* stagePath, const ReplayScript* script, uint32_t* pixels, int32_t w,
                            int32_t h, char* error) {
    RoutePlot plot = {pixels, w, h, -1, 0};
    ReplayRunOptions options = {};
    options.stagePath = stagePath;
    options.onFrame = RouteOnFrame;
    options.user = &plot;
    ReplayRunResult result;
    if (!ReplayRun(script, &options, &result)) {
        snprintf(error, 256, "the route does not play: %.200s", result.message);
        return -1;
    }
    return result.last.frame;
}
