// game_state.cpp -- owns the stage in play (map, player, camera, enemies, grace timers) and the
// mode machine: title, play, stage clear, game over; drives every gameplay module.
#include "app/game_state.h"

#include <stdio.h>

#include "app/editor.h"
#include "app/progress.h"
#include "app/stage_par.h"
#include "app/stage_set.h"
#include "app/watch.h"
#include "audio/audio.h"
#include "input/input.h"
#include "input/pad.h"
#include "platform/keys.h"
#include "render/msx_font.h"
#include "render/palette.h"
#include "render/render.h"
#include "world/level.h"

constexpr int32_t START_KEY_FIRST = 8;
constexpr int32_t START_KEY_LAST = 254;
constexpr float CAMERA_START_OFFSET = 160.0f;

constexpr uint32_t COLOUR_SKY = PALETTE_SKY;
constexpr uint32_t COLOUR_WHITE = PALETTE_WHITE;
constexpr uint32_t COLOUR_GREY = PALETTE_GREY;
constexpr uint32_t COLOUR_YELLOW = PALETTE_YELLOW;
constexpr uint32_t COLOUR_CLEAR_BG = PALETTE_DARK_GREEN;
constexpr uint32_t COLOUR_GAME_OVER = PALETTE_PINK;

// The stage in play and the mode machine. Each of these is a line of GAME_STATE_LIST
// (app/game_snapshot.h), which saves, restores and hashes them; a static left out of the list fails
// tests/app/game_snapshot_test.cpp.
static Tilemap gMap;
static Player gPlayer;
static Camera gCamera;
static Enemy gEnemies[MAX_ENEMIES];
static int32_t gEnemyCount;
static float gSpawnGraceMs;
static float gFireBlockMs;
static int32_t gMode;
static int32_t gTitleBlink;
static int32_t gDebugFlyMode;
// Set when an Escape key-down message has just brought up the title: the snapshot of the same
// frame sees that very press as new, and it must not start a stage from the title it opened.
static int32_t gIgnoreEscapePress;

// The player at (x, y), the camera's left edge as a start puts it: a little behind the player.
static void GamePlacePlayer(float x, float y) {
    PlayerReset(&gPlayer, x, y);
    const float camX = gPlayer.body.x - CAMERA_START_OFFSET;
    gCamera.x = camX > 0.0f ? camX : 0.0f;
}

static void GameLoadStage(void) {
    LevelLoadTestStage(&gMap);
    gSpawnGraceMs = SPAWN_GRACE_MS;
    gFireBlockMs = FIRE_BLOCK_MS;
    CameraInit(&gCamera);
    GamePlacePlayer(gMap.spawnX, gMap.spawnY);
    EnemySpawnDefaults(gEnemies, &gEnemyCount, &gMap);
}

void GameStateStartStage(void) {
    ProgressNoteStart();
    AudioPlaySfx(SFX_START);
    GameLoadStage();
    gMode = MODE_PLAYING;
    AudioSetTrack(TRACK_STAGE);
}

void GameStatePlacePlayer(float x, float y) {
    GamePlacePlayer(x, y);
}

void GameStateShowTitle(void) {
    gMode = MODE_TITLE;
    AudioSetTrack(TRACK_MENU);
}

static void GameEndRun(int32_t sfx, int32_t mode) {
    AudioPlaySfx(sfx);
    gMode = mode;
    AudioSetTrack(TRACK_MENU);
}

// A timer above 0 loses dt and stops at 0.
static float GameCountDown(float timer, float dt) {
    if (timer > 0.0f) {
        timer -= dt;
        if (timer < 0.0f) {
            timer = 0.0f;
        }
    }
    return timer;
}

void GameStateInit(void) {
    InputInit();
    AudioInit();
    gMode = MODE_TITLE;
    gTitleBlink = 0;
    AudioSetTrack(TRACK_MENU);
}

void GameStatePollMouse(PlatformWindow* window) {
    InputUpdate(window);
    // While a pad aims, the cursor is its aim around the player where the last frame drew it.
    int32_t destX = 0, destY = 0, destW = 0, destH = 0;
    RenderGetLayout(&destX, &destY, &destW, &destH);
    if (PadOwnsCursor() && destW > 0 && destH > 0) {
        float dirX = 0.0f, dirY = 0.0f;
        PadGetAim(&dirX, &dirY);
        int32_t x = 0, y = 0;
        PadAimClient(gPlayer.body.x - gCamera.x, gPlayer.body.y - gCamera.y, dirX, dirY, destX, destY,
                     GetDisplayScale(), &x, &y);
        InputOnMouseMove(x, y);
    }
}

static int GameStartPressed(void) {
    if (InputWasMouseLeftPressed()) {
        return 1;
    }
    for (int32_t code = START_KEY_FIRST; code <= START_KEY_LAST; code++) {
        if (code == KEY_ESCAPE && gIgnoreEscapePress) {
            continue;
        }
        if (InputWasKeyPressed(code)) {
            return 1;
        }
    }
    return 0;
}

void GameStatePollKeys(void) {
    // A stage set's title: Left and Right choose the stage; every other key still starts.
    const int choose = gMode == MODE_TITLE && StageSetCount() > 0 &&
                       (InputWasKeyPressed(KEY_LEFT) || InputWasKeyPressed(KEY_RIGHT));
    if (choose) {
        StageSetChoose(InputWasKeyPressed(KEY_RIGHT) - InputWasKeyPressed(KEY_LEFT));
    } else if (gMode == MODE_TITLE && InputWasKeyPressed(KEY_W) && WatchFromTitle(InputIsKeyDown(KEY_SHIFT))) {
        // W watches the best run, Shift+W the solver's route, when there is one; else W starts.
    } else if (gMode == MODE_TITLE || gMode == MODE_STAGE_CLEAR) {
        if (GameStartPressed()) {
            // Leaving the clear screen of a stage set plays its next stage.
            if (gMode == MODE_STAGE_CLEAR) {
                StageSetOnCleared();
            }
            GameStateStartStage();
        }
    } else if (gMode == MODE_GAME_OVER) {
        if (InputWasKeyPressed(KEY_R)) {
            GameStateStartStage();
        }
        if (InputWasKeyPressed(KEY_ESCAPE)) {
            GameStateShowTitle();
        }
    }
    gIgnoreEscapePress = 0;
}

void GameStateHandleKey(int32_t code) {
    if (code == KEY_F) {
        if (gMode != MODE_PLAYING) {
            GameLoadStage();
            gMode = MODE_PLAYING;
            AudioSetTrack(TRACK_STAGE);
        }
        gDebugFlyMode = gDebugFlyMode == 0 ? 1 : 0;
    } else if (code == KEY_R && gMode == MODE_GAME_OVER) {
        GameStateStartStage();
    } else if (code == KEY_ESCAPE && (gMode == MODE_PLAYING || gMode == MODE_GAME_OVER)) {
        GameStateShowTitle();
        gIgnoreEscapePress = 1;
    }
}

void GameStateUpdate(float dt) {
    // The blink counter wraps modulo 2^32; unsigned arithmetic keeps that well defined.
    const int32_t step = (int32_t)(0.05f * dt) + 1;
    gTitleBlink = (int32_t)((uint32_t)gTitleBlink + (uint32_t)step);
    if (gMode != MODE_PLAYING) {
        return;
    }
    gSpawnGraceMs = GameCountDown(gSpawnGraceMs, dt);
    gFireBlockMs = GameCountDown(gFireBlockMs, dt);
    const float worldW = (float)(gMap.width * TILE_SIZE);
    const float worldH = (float)(gMap.height * TILE_SIZE);
    // The cursor's world point refers to the view the player saw last frame.
    InputSetCamera(gCamera.x, gCamera.y);
    if (gFireBlockMs == 0.0f) {
        PlayerTryFire(&gPlayer, &gMap, gEnemies, gEnemyCount);
    }
    if (gDebugFlyMode != 0) {
        PlayerDebugFlyUpdate(&gPlayer, dt);
    } else {
        PlayerUpdate(&gPlayer, &gMap, dt);
    }
    EnemyUpdate(gEnemies, gEnemyCount, &gMap, dt);
    CameraFollow(&gCamera, gPlayer.body.x, gPlayer.body.y, worldW, worldH, dt);
    if (gDebugFlyMode != 0) {
        return;
    }
    if (EnemyCheckPlayerContact(gEnemies, gEnemyCount, gPlayer.body.x, gPlayer.body.y) &&
        gSpawnGraceMs == 0.0f) {
        GameEndRun(SFX_GAME_OVER, MODE_GAME_OVER);
    } else if (PlayerFellOff(&gPlayer, &gMap) && gSpawnGraceMs == 0.0f) {
        GameEndRun(SFX_GAME_OVER, MODE_GAME_OVER);
    } else if (PlayerReachedGoal(&gPlayer, &gMap)) {
        ProgressNoteClear();
        GameEndRun(SFX_STAGE_CLEAR, MODE_STAGE_CLEAR);
    }
}

void GameStateStep(PlatformWindow* window, float dt) {
    GameStatePollMouse(window);
    GameStatePollKeys();
    GameStateUpdate(dt);
}

void GameStateStepWith(const InputFrame* input, float dt) {
    InputUpdateFrom(input);
    GameStatePollKeys();
    GameStateUpdate(dt);
}

void GameStateStartWith(const InputFrame* input, float dt) {
    InputUpdateFrom(input);
    GameStateStartStage();
    GameStateUpdate(dt);
}

// Save and restore, made from the one list of the game's state (app/game_snapshot.h).
#define GAME_SAVE_VALUE(type, field, name, hash, play) snapshot->field = name;
#define GAME_SAVE_ARRAY(type, field, name, count, hash, play)                                                \
    for (int32_t i = 0; i < (count); ++i) {                                                                  \
        snapshot->field[i] = name[i];                                                                        \
    }
#define GAME_SAVE_MODULE(type, field, save, restore, hash, play) save(&snapshot->field);
void GameStateSave(GameSnapshot* snapshot) {
    GAME_STATE_LIST(GAME_SAVE_VALUE, GAME_SAVE_ARRAY, GAME_SAVE_MODULE)
}

#define GAME_RESTORE_VALUE(type, field, name, hash, play) name = snapshot->field;
#define GAME_RESTORE_ARRAY(type, field, name, count, hash, play)                                             \
    for (int32_t i = 0; i < (count); ++i) {                                                                  \
        name[i] = snapshot->field[i];                                                                        \
    }
#define GAME_RESTORE_MODULE(type, field, save, restore, hash, play) restore(&snapshot->field);
void GameStateRestore(const GameSnapshot* snapshot) {
    GAME_STATE_LIST(GAME_RESTORE_VALUE, GAME_RESTORE_ARRAY, GAME_RESTORE_MODULE)
}

// Under the title's texts while a stage set plays: which stage starts, its best time, and how to
// choose another; what there is to watch; and a line when progress or a run could not be read or kept.
static void GameRenderSetLines(void) {
    const int touch = EditorDeviceIsTouch();
    char line[STAGE_SET_LINE_SIZE];
    StageSetLine(line);
    if (line[0]) {
        DrawMsxStringCentered(132, line, COLOUR_WHITE, 1);
        const int32_t best = ProgressBestMs(), par = StageParMs();
        char bestText[16], parText[16];
        ProgressFormatTime(best, bestText);
        ProgressFormatTime(par, parText);
        char times[64];
        snprintf(times, sizeof(times), "%s%s  PAR %s%s%s", best >= 0 ? "BEST " : "NOT CLEARED",
                 best >= 0 ? bestText : "", par >= 0 ? parText : "?", StageParRating()[0] ? "  " : "",
                 StageParRating());
        DrawMsxStringCentered(142, times, best >= 0 ? COLOUR_YELLOW : COLOUR_GREY, 1);
        // A touch screen has no Left and Right: its MAP button chooses the stage.
        DrawMsxStringCentered(152, touch ? "MAP: ANOTHER STAGE" : "LEFT/RIGHT: ANOTHER STAGE", COLOUR_GREY, 1);
    }
    // What there is to watch, only when there is something; a touch screen's buttons are W and ROUTE.
    static const char* const WATCH_LINES[2][4] = {
        {"", "W: WATCH THE BEST RUN", "SHIFT+W: WATCH THE ROUTE", "W: WATCH BEST  SHIFT+W: ROUTE"},
        {"", "W: WATCH THE BEST RUN", "ROUTE: WATCH THE ROUTE", "W: WATCH BEST  ROUTE: ROUTE"}};
    const int32_t offered = WatchOffered();
    if (offered) {
        DrawMsxStringCentered(180, WATCH_LINES[touch][offered & 3], COLOUR_GREY, 1);
    }
    const char* notice = WatchNotice()[0] ? WatchNotice() : ProgressNotice();
    if (notice[0]) {
        DrawMsxStringCentered(190, notice, COLOUR_GAME_OVER, 1);
    }
}

// On the clear screen of a stage that keeps progress: the run's time, the best, and a new best said.
static void GameRenderClearTimes(void) {
    const int watched = WatchActive();
    if (!watched && (!ProgressActive() || ProgressRunMs() < 0)) {
        return;
    }
    char time[16], line[32];
    ProgressFormatTime(watched ? WatchMs() : ProgressRunMs(), time);
    snprintf(line, sizeof(line), "%s %s", watched ? "WATCHED" : "TIME", time);
    DrawMsxStringCentered(108, line, COLOUR_WHITE, 1);
    if (ProgressBestMs() >= 0) {
        ProgressFormatTime(ProgressBestMs(), time);
        snprintf(line, sizeof(line), "BEST %s", time);
        DrawMsxStringCentered(120, line, COLOUR_WHITE, 1);
    }
    if (!watched && ProgressWasNewBest()) {
        DrawMsxStringCentered(134, "NEW BEST", COLOUR_YELLOW, 1);
    }
}

void GameStateRender(void) {
    // Every mode below covers the whole screen first (play through the tile renderer's sky), so the
    // sky clear is only needed for a mode that draws nothing.
    switch (gMode) {
    case MODE_TITLE:
        RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, COLOUR_SKY);
        DrawMsxStringCentered(60, "SHOTGUN-KALVORO", COLOUR_WHITE, 2);
        DrawMsxStringCentered(90, "SHOOT OPPOSITE TO JUMP", COLOUR_GREY, 1);
        DrawMsxStringCentered(104, "2 SHOTS = DOUBLE JUMP", COLOUR_GREY, 1);
        DrawMsxStringCentered(118, "AIM:LMB  RELOAD:R", COLOUR_GREY, 1);
        GameRenderSetLines();
        DrawPressAnyKeyPrompt(gTitleBlink, COLOUR_WHITE);
        break;
    case MODE_PLAYING:
        TilemapRender(&gMap, gCamera.x, gCamera.y);
        EnemyRender(gEnemies, gEnemyCount, gCamera.x, gCamera.y);
        PlayerRender(&gPlayer, gCamera.x, gCamera.y);
        PlayerRenderHud(&gPlayer);
        if (gDebugFlyMode != 0) {
            DrawMsxString(8, 40, "DEBUG FLY (F TO TOGGLE)", COLOUR_YELLOW, 1);
        }
        break;
    case MODE_STAGE_CLEAR:
        RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, COLOUR_CLEAR_BG);
        DrawMsxStringCentered(80, "STAGE CLEAR!", COLOUR_WHITE, 2);
        GameRenderClearTimes();
        DrawPressAnyKeyPrompt(gTitleBlink, COLOUR_YELLOW);
        break;
    case MODE_GAME_OVER:
        RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, PALETTE_BLACK);
        DrawMsxStringCentered(80, "GAME OVER", COLOUR_GAME_OVER, 2);
        DrawMsxStringCentered(110, "R: RETRY  ESC: TITLE", COLOUR_WHITE, 1);
        break;
    default:
        for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; i++) {
            pixelBuffer[i] = COLOUR_SKY;
        }
        break;
    }
}

int32_t GameStateGetMode(void) {
    return gMode;
}

const Player* GameStateGetPlayer(void) {
    return &gPlayer;
}

const Enemy* GameStateGetEnemies(int32_t* count) {
    if (count) {
        *count = gEnemyCount;
    }
    return gEnemies;
}

const Camera* GameStateGetCamera(void) {
    return &gCamera;
}

const Tilemap* GameStateGetMap(void) {
    return &gMap;
}

int32_t GameStateGetDebugFly(void) {
    return gDebugFlyMode;
}

void GameStateGetTimers(float* spawnGraceMs, float* fireBlockMs, int32_t* titleBlink) {
    if (spawnGraceMs != nullptr) {
        *spawnGraceMs = gSpawnGraceMs;
    }
    if (fireBlockMs != nullptr) {
        *fireBlockMs = gFireBlockMs;
    }
    if (titleBlink != nullptr) {
        *titleBlink = gTitleBlink;
    }
}
