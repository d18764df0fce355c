// link_code.cpp -- base64url digits with a folded FNV-1a check, read back without trusting a byte.
#include "world/link_code.h"

static const char LINK_CODE_DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// Folds an FNV-1a hash of the bytes to 16 bits: a cut or mistyped link fails it.
static uint32_t LinkCodeCheck(const uint8_t* bytes, int32_t count) {
    uint32_t hash = 2166136261u;
    for (int32_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return (hash ^ (hash >> 16)) & 0xFFFFu;
}

int32_t LinkCodeWrite(char version, const uint8_t* bytes, int32_t count, char* out, size_t outSize) {
    if (outSize > 0) {
        out[0] = '\0';
    }
    if (count < 0 || LinkCodeChars((size_t)count) > outSize) {
        return 0;
    }
    const uint32_t check = LinkCodeCheck(bytes, count);
    const uint8_t tail[2] = {(uint8_t)(check >> 8), (uint8_t)(check & 0xFFu)};
    const int32_t total = count + 2;
    const auto byteAt = [&](int32_t i) -> uint32_t { return i < count ? bytes[i] : tail[i - count]; };
    int32_t at = 0;
    out[at++] = version;
    for (int32_t i = 0; i < total; i += 3) {
        const uint32_t group = byteAt(i) << 16 | (i + 1 < total ? byteAt(i + 1) << 8 : 0u) |
                               (i + 2 < total ? byteAt(i + 2) : 0u);
        const int32_t digits = total - i >= 3 ? 4 : total - i + 1;
        for (int32_t d = 0; d < digits; ++d) {
            out[at++] = LINK_CODE_DIGITS[(group >> (18 - 6 * d)) & 63u];
        }
    }
    out[at] = '\0';
    return at;
}

static int32_t LinkCodeDigitValue(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '-' ? 62 : c == '_' ? 63 : -1;
}

int32_t LinkCodeRead(const char* digits, size_t length, uint8_t* bytes, int32_t cap) {
    int32_t count = 0;
    uint32_t bits = 0;
    int32_t held = 0;
    for (size_t i = 0; i < length; ++i) {
        const int32_t value = LinkCodeDigitValue(digits[i]);
        if (value < 0) {
            return LINK_CODE_BAD_CHAR;
        }
        bits = (bits << 6 | (uint32_t)value) & 0xFFFFFFu;
        held += 6;
        if (held >= 8) {
            held -= 8;
            if (count == cap) {
                return LINK_CODE_TOO_LONG;
            }
            bytes[count++] = (uint8_t)(bits >> held);
        }
    }
    if (length % 4 == 1 || (held > 0 && (bits & ((1u << held) - 1u)) != 0)) {
        return LINK_CODE_BAD_BITS;
    }
    if (count < 2 || LinkCodeCheck(bytes, count - 2) != ((uint32_t)bytes[count - 2] << 8 | bytes[count - 1])) {
        return LINK_CODE_DAMAGED;
    }
    return count - 2;
}
