// shotgun.cpp -- the weapon model: whether a shot may be taken, spending shells, and the reload
// countdown that refills the whole magazine at its end.
#include "actors/shotgun.h"

const ShotgunDef gS686Def = {2, 1200.0f, 8, 12.0f, 120.0f};

const ShotgunDef* ShotgunGetS686(void) {
    return &gS686Def;
}

void ShotgunInit(Shotgun* shotgun, const ShotgunDef* def) {
    if (!shotgun) {
        return;
    }
    const ShotgunDef* bound = def ? def : &gS686Def;
    shotgun->def = bound;
    shotgun->shells = bound->magazineSize;
    shotgun->reloadMs = 0.0f;
    shotgun->reloading = 0;
}

void ShotgunUpdate(Shotgun* shotgun, float dtMs) {
    if (!shotgun || !shotgun->reloading) {
        return;
    }
    float t = shotgun->reloadMs - dtMs;
    if (t <= 0.0f) {
        // Time beyond the end of the reload is dropped, not carried.
        shotgun->reloadMs = 0.0f;
        shotgun->reloading = 0;
        shotgun->shells = shotgun->def ? shotgun->def->magazineSize : gS686Def.magazineSize;
        return;
    }
    shotgun->reloadMs = t;
}

int ShotgunCanFire(const Shotgun* shotgun) {
    return (shotgun && !shotgun->reloading && shotgun->shells > 0) ? 1 : 0;
}

int ShotgunTryFire(Shotgun* shotgun) {
    if (!shotgun || shotgun->reloading) {
        return 0;
    }
    if (shotgun->shells <= 0) {
        return 0;
    }
    shotgun->shells -= 1;
    return 1;
}

int ShotgunCanReload(const Shotgun* shotgun) {
    // A full magazine is not reloaded.
    return shotgun && shotgun->def && !shotgun->reloading && shotgun->shells < shotgun->def->magazineSize;
}

void ShotgunStartReload(Shotgun* shotgun) {
    if (!ShotgunCanReload(shotgun)) {
        return;
    }
    shotgun->reloading = 1;
    shotgun->reloadMs = shotgun->def->reloadTimeMs;
}

int ShotgunIsReloading(const Shotgun* shotgun) {
    return (shotgun && shotgun->reloading) ? 1 : 0;
}

float ShotgunReloadProgress(const Shotgun* shotgun) {
    if (!shotgun || !shotgun->def || !shotgun->reloading) {
        return 0.0f;
    }
    return 1.0f - shotgun->reloadMs / shotgun->def->reloadTimeMs;
}
