// stage_share.h -- the stage as text and as a link, and stages handed over as a file or a link by a
// host that keeps its own files (the page): what such a stage means goes through StageOpen.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "app/stage_open.h"
#include "platform/platform.h"
#include "world/level.h"
#include "world/stage_link.h"

// Room for any message written here: StageOpen's and the link reader's.
constexpr size_t STAGE_SHARE_MESSAGE_SIZE = STAGE_OPEN_MESSAGE_SIZE > (size_t)STAGE_LINK_MESSAGE
                                                ? STAGE_OPEN_MESSAGE_SIZE
                                                : (size_t)STAGE_LINK_MESSAGE;

// Room for the stage as text (with its NUL) and as a link; the stage file the game ships, relative to
// the working directory.
constexpr size_t STAGE_SHARE_TEXT_SIZE = LEVEL_MAX_TEXT_BYTES + 1;
constexpr int32_t STAGE_SHARE_LINK_SIZE = STAGE_LINK_MAX_CHARS;
constexpr const char* STAGE_SHARE_SHIPPED_PATH = LEVEL_STAGE_PATH;
// Bytes of a stage file the game reads at most: a host need not hand over more.
constexpr uint64_t STAGE_SHARE_READ_CAP = LEVEL_MAX_READ_BYTES;

// The stage edited, or else played, as plain stage text in text (NUL-ended); its length, or 0 and a
// message when the game plays its built-in stage, which has no file.
size_t StageShareText(char text[STAGE_SHARE_TEXT_SIZE], char message[STAGE_SHARE_MESSAGE_SIZE]);
// The same stage as a link; 0 and a message when there is none.
int32_t StageShareLink(char link[STAGE_SHARE_LINK_SIZE], char message[STAGE_SHARE_MESSAGE_SIZE]);
// A stage file handed over at incoming: the editor, when open, opens it (or after its play-test);
// otherwise it is renamed to keep (so a stage start never reads half a stage) and played from the
// next start. A file that holds no stage leaves keep and the stage played as they were. StageOpen's
// outcome, with its message.
int32_t StageShareTake(PlatformWindow* window, const char* incoming, const char* keep,
                       char message[STAGE_SHARE_MESSAGE_SIZE]);
// The stage a link holds, written to incoming and taken as above; STAGE_OPEN_REFUSED and a message for
// any link that holds no stage.
int32_t StageShareOpenLink(PlatformWindow* window, const char* link, const char* incoming, const char* keep,
                           char message[STAGE_SHARE_MESSAGE_SIZE]);
// While the editor edits: its stage as text when it changed since the last call (a host keeps it),
// else null.
const char* StageShareEditedText(void);
