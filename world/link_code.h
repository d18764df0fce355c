// link_code.h -- bytes as a short text for an address or a line of a file: base64url digits without
// padding after a version character, the bytes followed by a 16-bit check. Stage links and runs use it.
#pragma once

#include <stddef.h>
#include <stdint.h>

// What LinkCodeRead made of a text besides a byte count.
enum LinkCodeFault {
    LINK_CODE_BAD_CHAR = -1, // a character no link has
    LINK_CODE_BAD_BITS = -2, // a length no whole link has, or a last digit with bits the writer never sets
    LINK_CODE_TOO_LONG = -3, // more bytes than the reader's room
    LINK_CODE_DAMAGED = -4,  // the check does not match: cut short or mistyped
};

// Characters LinkCodeWrite needs for count bytes: the version, the digits of the bytes and the check,
// and a NUL.
constexpr size_t LinkCodeChars(size_t count) {
    return 1 + ((count + 2) * 4 + 2) / 3 + 1;
}
// Writes version, then bytes[0..count) and their check in base64url, NUL-terminated; returns the length,
// 0 when it would not fit in outSize.
int32_t LinkCodeWrite(char version, const uint8_t* bytes, int32_t count, char* out, size_t outSize);
// Reads the digits after the version (digits[0..length)) into bytes (room for cap, the check included):
// the count of bytes before the check, or a LinkCodeFault. Counts under 0 + 2 bytes read as damaged.
int32_t LinkCodeRead(const char* digits, size_t length, uint8_t* bytes, int32_t cap);
