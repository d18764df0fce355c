// shotgun_test.cpp -- shells, the refused third shot, and the reload that always fills the magazine.
#include "actors/shotgun.h"

#include <gtest/gtest.h>

TEST(Shotgun, DefinitionAndInit) {
    EXPECT_EQ(ShotgunGetS686(), &gS686Def);
    EXPECT_EQ(gS686Def.magazineSize, 2);
    EXPECT_FLOAT_EQ(gS686Def.reloadTimeMs, 1200.0f);
    EXPECT_EQ(gS686Def.pelletsPerShot, 8);
    EXPECT_FLOAT_EQ(gS686Def.spreadDeg, 12.0f);
    EXPECT_FLOAT_EQ(gS686Def.range, 120.0f);

    Shotgun gun = {nullptr, 0, 5.0f, 1};
    ShotgunInit(&gun, nullptr);
    EXPECT_EQ(gun.def, &gS686Def);
    EXPECT_EQ(gun.shells, 2);
    EXPECT_EQ(gun.reloadMs, 0.0f);
    EXPECT_EQ(gun.reloading, 0);

    const ShotgunDef big = {5, 300.0f, 4, 20.0f, 60.0f};
    ShotgunInit(&gun, &big);
    EXPECT_EQ(gun.def, &big);
    EXPECT_EQ(gun.shells, 5);
}

TEST(Shotgun, TwoShotsThenRefused) {
    Shotgun gun;
    ShotgunInit(&gun, nullptr);
    EXPECT_EQ(ShotgunTryFire(&gun), 1);
    EXPECT_EQ(ShotgunCanFire(&gun), 1);
    EXPECT_EQ(ShotgunTryFire(&gun), 1);
    EXPECT_EQ(ShotgunCanFire(&gun), 0);
    EXPECT_EQ(ShotgunTryFire(&gun), 0);
    EXPECT_EQ(gun.shells, 0);
    // An empty magazine never reloads by itself.
    ShotgunUpdate(&gun, 5000.0f);
    EXPECT_EQ(gun.shells, 0);
    EXPECT_EQ(ShotgunIsReloading(&gun), 0);
}

TEST(Shotgun, FullMagazineIsNotReloaded) {
    Shotgun gun;
    ShotgunInit(&gun, nullptr);
    ShotgunStartReload(&gun);
    EXPECT_EQ(ShotgunIsReloading(&gun), 0);
    EXPECT_EQ(gun.reloadMs, 0.0f);
}

TEST(Shotgun, ReloadRefusesShotsAndFillsToTheMagazineSize) {
    Shotgun gun;
    ShotgunInit(&gun, nullptr);
    ShotgunTryFire(&gun);
    ShotgunStartReload(&gun);
    EXPECT_EQ(ShotgunIsReloading(&gun), 1);
    EXPECT_EQ(gun.reloadMs, 1200.0f);
    EXPECT_EQ(gun.shells, 1); // nothing is added at the start
    EXPECT_EQ(ShotgunCanFire(&gun), 0);
    EXPECT_EQ(ShotgunTryFire(&gun), 0);
    EXPECT_EQ(gun.shells, 1);

    ShotgunStartReload(&gun); // a second start does not restart the countdown
    ShotgunUpdate(&gun, 600.0f);
    ShotgunStartReload(&gun);
    EXPECT_EQ(gun.reloadMs, 600.0f);
    EXPECT_FLOAT_EQ(ShotgunReloadProgress(&gun), 0.5f);

    // Ends in the call that brings the remainder to exactly 0.
    ShotgunUpdate(&gun, 599.0f);
    EXPECT_EQ(ShotgunIsReloading(&gun), 1);
    ShotgunUpdate(&gun, 1.0f);
    EXPECT_EQ(ShotgunIsReloading(&gun), 0);
    EXPECT_EQ(gun.reloadMs, 0.0f);
    EXPECT_EQ(gun.shells, 2);
    EXPECT_EQ(ShotgunReloadProgress(&gun), 0.0f);
}

TEST(Shotgun, LongFrameEndsReloadWithoutCarryingTheExcess) {
    Shotgun gun;
    ShotgunInit(&gun, nullptr);
    ShotgunTryFire(&gun);
    ShotgunTryFire(&gun);
    ShotgunStartReload(&gun);
    EXPECT_EQ(ShotgunReloadProgress(&gun), 0.0f);
    ShotgunUpdate(&gun, 5000.0f);
    EXPECT_EQ(gun.shells, 2);
    EXPECT_EQ(gun.reloadMs, 0.0f);
    ShotgunTryFire(&gun);
    ShotgunStartReload(&gun);
    EXPECT_EQ(gun.reloadMs, 1200.0f);
}

TEST(Shotgun, NullIsHarmless) {
    ShotgunInit(nullptr, nullptr);
    ShotgunUpdate(nullptr, 10.0f);
    ShotgunStartReload(nullptr);
    EXPECT_EQ(ShotgunCanFire(nullptr), 0);
    EXPECT_EQ(ShotgunTryFire(nullptr), 0);
    EXPECT_EQ(ShotgunIsReloading(nullptr), 0);
    EXPECT_EQ(ShotgunReloadProgress(nullptr), 0.0f);
}
