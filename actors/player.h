// player.h -- the player: recoil-driven body, shotgun, aim, the last shot's pellets, drawing,
// heads-up display, and the goal and fall tests.
#pragma once
#include <stdint.h>

#include "actors/enemy.h"
#include "actors/projectile.h"
#include "actors/shotgun.h"
#include "world/physics.h"
#include "world/tilemap.h"

constexpr float RECOIL_SPEED = 0.48f;
constexpr float FLASH_MS = 80.0f;
constexpr float DEBUG_FLY_SPEED = 0.19f;

struct Player {
    Body body;
    Shotgun shotgun;
    float aimAngle; // radians, atan2(dy, dx), positive below the horizontal
    float flashMs;  // muzzle flash and tracers show while above 0
    PelletRay pellets[MAX_PELLETS];
    int32_t pelletCount;
};

void PlayerInit(Player* player, float x, float y);
// Identical to PlayerInit: at rest at (x, y) with a full magazine.
void PlayerReset(Player* player, float x, float y);
// atan2 from the body centre to (worldX, worldY); player must not be null.
float PlayerGetAimAngle(const Player* player, float worldX, float worldY);
// The shot on a fresh left-button press: recoil, pellets, hits, flash, sounds.
void PlayerTryFire(Player* player, Tilemap* map, Enemy* enemies, int enemyCount);
// Starts a reload on a fresh R press when shells are missing.
void PlayerTryReload(Player* player);
// W A S D flight, no collision (debug).
void PlayerDebugFlyUpdate(Player* player, float dtMs);
// Reload, R, aim, physics in sub-steps of at most 2 ms, flash countdown.
void PlayerUpdate(Player* player, Tilemap* map, float dtMs);
void PlayerRender(const Player* player, float camX, float camY);
void PlayerRenderHud(const Player* player);
// 1 when the body centre is in a goal tile or in the tile right below one.
int PlayerReachedGoal(const Player* player, const Tilemap* map);
// 1 when the body is more than two tiles below the stage.
int PlayerFellOff(const Player* player, const Tilemap* map);
