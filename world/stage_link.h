// stage_link.h -- a stage as a short text for the address of a shared link: the grid the loader reads,
// run-length coded against the cell before and the cell above, checked, in base64url after a version.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "world/level.h"
#include "world/link_code.h"
#include "world/tilemap.h"

// The version character every link of this coding starts with.
constexpr char STAGE_LINK_VERSION = '1';
// The longest stage text a link decodes to: every row full, each with its line feed, and a NUL.
constexpr int32_t STAGE_LINK_MAX_TEXT = (int32_t)LEVEL_MAX_TEXT_BYTES + 1;
// Size, one token per cell at worst, and the check: the most bytes a link carries.
constexpr int32_t STAGE_LINK_MAX_BYTES = 2 + MAP_MAX_ROWS * MAP_MAX_COLS + 2;
// The longest link: the version, the bytes in base64url without padding, and a NUL.
constexpr int32_t STAGE_LINK_MAX_CHARS = (int32_t)LinkCodeChars(STAGE_LINK_MAX_BYTES - 2);
// Room for a message saying why a text or a link gave no stage.
constexpr int32_t STAGE_LINK_MESSAGE = 96;

// Writes the link for the stage text (read as the loader reads a file) into link, NUL-terminated, and
// returns its length; 0 and a message when the text has no cell to share.
int32_t StageLinkEncode(const char* text, size_t length, char link[STAGE_LINK_MAX_CHARS],
                        char message[STAGE_LINK_MESSAGE]);
// Writes payload bytes (at most STAGE_LINK_MAX_BYTES - 2) as a link: the version, then the bytes and
// their check in base64url; returns the length, 0 when they do not fit. Tests craft links with it.
int32_t StageLinkWrite(const uint8_t* payload, int32_t count, char link[STAGE_LINK_MAX_CHARS]);
// Writes the stage text a link holds into text, NUL-terminated, and returns its length; any other
// bytes give 0 and a message a person can act on.
int32_t StageLinkDecode(const char* link, size_t length, char text[STAGE_LINK_MAX_TEXT],
                        char message[STAGE_LINK_MESSAGE]);
