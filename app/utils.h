// utils.h -- the game's random generator and single-precision trigonometry, thin wrappers
// over the standard library.
#pragma once
#include <stdint.h>

// Seeds the standard generator (srand); called once at start-up with the tick counter.
void InitRandomSeed(uint32_t seed);
// Next value of the standard generator (rand); nothing in the game calls it.
int32_t GetRandom(void);
// sinf(angle), angle in radians.
float MathSin(float angle);
// cosf(angle), angle in radians.
float MathCos(float angle);
// atan2f(y, x): y first; positive angles point below the horizontal on screen.
float MathAtan2(float y, float x);
