// map_preview.cpp -- renders a stage with the camera stepped over it in whole screens. The views step
// by 320 x 192 pixels, both whole tiles, so no tile is ever cut at a seam (the game outlines a cut tile
// along its cut edge); the bottom 8 rows of each view are not used.
#include "tools/maptool/map_preview.h"

#include <string.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "render/render.h"

static const int32_t PREVIEW_STEP_X = LOGICAL_WIDTH;  // 20 tiles
static const int32_t PREVIEW_STEP_Y = 12 * TILE_SIZE; // 192: the whole tiles of a 200-row view
static const uint32_t PREVIEW_DROPPED = 0xD75F93;     // outline of a marker that does not walk

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
