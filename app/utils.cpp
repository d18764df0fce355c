// utils.cpp -- the random generator and single-precision trigonometry: each call goes straight to
// the standard library so every platform computes the same angles.
#include "app/utils.h"

#include <math.h>
#include <stdlib.h>

void InitRandomSeed(uint32_t seed) {
    srand(seed);
}

int32_t GetRandom(void) {
    return rand();
}

float MathSin(float angle) {
    return sinf(angle);
}

float MathCos(float angle) {
    return cosf(angle);
}

float MathAtan2(float y, float x) {
    return atan2f(y, x);
}
