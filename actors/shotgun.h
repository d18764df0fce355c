// shotgun.h -- the weapon model: one read-only definition and a per-owner state with the shells
// left and the reload countdown.
#pragma once
#include <stdint.h>

struct ShotgunDef {
    int32_t magazineSize;   // shells when full
    float reloadTimeMs;     // full reload, ms
    int32_t pelletsPerShot; // pellets cast per shot
    float spreadDeg;        // full fan angle, degrees
    float range;            // pellet reach, world pixels
};

struct Shotgun {
    const ShotgunDef* def;
    int32_t shells;
    float reloadMs;    // reload time still to run, 0 when not reloading
    int32_t reloading; // non-zero while a reload runs
};

extern const ShotgunDef gS686Def;

// The one definition: 2 shells, 1200 ms reload, 8 pellets, 12 degrees, 120 px.
const ShotgunDef* ShotgunGetS686(void);
// Binds def (gS686Def when null), fills the magazine, clears the reload.
void ShotgunInit(Shotgun* shotgun, const ShotgunDef* def);
// Advances a running reload; at its end the magazine is full again.
void ShotgunUpdate(Shotgun* shotgun, float dtMs);
// 1 when not reloading and a shell is loaded.
int ShotgunCanFire(const Shotgun* shotgun);
// Spends one shell and returns 1 when a shot is possible.
int ShotgunTryFire(Shotgun* shotgun);
// 1 when a reload may start: none runs and the magazine is not full.
int ShotgunCanReload(const Shotgun* shotgun);
// Starts a full reload when ShotgunCanReload allows it.
void ShotgunStartReload(Shotgun* shotgun);
int ShotgunIsReloading(const Shotgun* shotgun);
// Fraction of the running reload done, 0..1; 0 when not reloading.
float ShotgunReloadProgress(const Shotgun* shotgun);
