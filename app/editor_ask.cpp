// editor_ask.cpp -- the questions the editor asks in the picture before work could be lost: closing,
// leaving or starting a new stage with unsaved changes, a recovery copy found at opening, a file changed
// on disk before a save, a file replaced by Save As; and the name Save As types in the picture.
// Answered by a key or by a click (or tap) on the answer.
#include <stdio.h>
#include <string.h>

#include "app/editor_parts.h"
#include "input/input.h"
#include "platform/keys.h"
#include "render/msx_font.h"
#include "render/render.h"

struct EditorAnswerButton {
    int32_t key;
    const char* label;
};

struct EditorQuestionText {
    const char* lines[2];
    EditorAnswerButton answers[3];
};

static const EditorQuestionText EDITOR_QUESTIONS[] = {
    {{"", ""}, {{0, nullptr}, {0, nullptr}, {0, nullptr}}},
    {{"UNSAVED CHANGES", "SAVE THEM BEFORE THE WINDOW CLOSES?"},
     {{KEY_S, "S:SAVE"}, {'D', "D:DISCARD"}, {KEY_ESCAPE, "ESC:STAY"}}},
    {{"UNSAVED CHANGES", "SAVE THEM BEFORE LEAVING THE EDITOR?"},
     {{KEY_S, "S:SAVE"}, {'D', "D:DISCARD"}, {KEY_ESCAPE, "ESC:STAY"}}},
    {{"UNSAVED CHANGES OF THIS STAGE FOUND", "FROM A SESSION THAT ENDED UNSAVED"},
     {{KEY_R, "R:RESTORE"}, {'D', "D:DISCARD"}, {0, nullptr}}},
    {{"THE FILE CHANGED ON DISK", "SINCE IT WAS OPENED HERE"}, {{KEY_S, "S:SAVE OVER"}, {KEY_ESCAPE, "ESC:KEEP IT"}, {0, nullptr}}},
    {{"SAVE AS (IN THE STAGE'S FOLDER):", ""}, {{KEY_ENTER, "ENTER:SAVE"}, {KEY_ESCAPE, "ESC:CANCEL"}, {0, nullptr}}},
    {{"A FILE OF THAT NAME EXISTS", "REPLACE IT WITH THIS STAGE?"},
     {{KEY_R, "R:REPLACE"}, {KEY_ESCAPE, "ESC:KEEP IT"}, {0, nullptr}}},
    {{"UNSAVED CHANGES", "SAVE THEM BEFORE A NEW STAGE?"},
     {{KEY_S, "S:SAVE"}, {'D', "D:DISCARD"}, {KEY_ESCAPE, "ESC:STAY"}}},
};

constexpr int32_t EDITOR_ASK_X = 8;
constexpr int32_t EDITOR_ASK_Y = 64;
constexpr int32_t EDITOR_ASK_W = 304;
constexpr int32_t EDITOR_ASK_H = 64;
constexpr int32_t EDITOR_ASK_BUTTON_Y = EDITOR_ASK_Y + 40;
constexpr int32_t EDITOR_ASK_BUTTON_H = 16;

static Tilemap gRecovered; // the recovery copy on offer

// Where answer i of the open question is drawn: its left edge and width.
static void EditorAnswerBox(int32_t i, int32_t* x, int32_t* w) {
    const EditorQuestionText* q = &EDITOR_QUESTIONS[gEditor.question];
    int32_t count = 0, total = 0;
    for (const auto& answer : q->answers) {
        if (answer.label) {
            total += (int32_t)strlen(answer.label) * 8 + 8;
            count++;
        }
    }
    const int32_t gap = 8;
    int32_t at = (LOGICAL_WIDTH - total - gap * (count - 1)) / 2;
    for (int32_t k = 0; k < i; ++k) {
        at += (int32_t)strlen(q->answers[k].label) * 8 + 8 + gap;
    }
    *x = at;
    *w = (int32_t)strlen(q->answers[i].label) * 8 + 8;
}

void EditorAsk(int32_t question) {
    gEditor.question = question;
    EditorEndStroke();
}

void EditorAskName(void) {
    // The open file's name to start from, when it fits.
    const char* path = gEditor.stage.path;
    const char* slash = strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    const size_t length = strlen(name) <= EDITOR_NAME_CHARS ? strlen(name) : 0;
    memcpy(gEditor.name, name, length);
    gEditor.name[length] = '\0';
    EditorAsk(EDITOR_ASK_NAME);
}

static void EditorOpenBlank(void) {
    EditorOpen(gEditor.window, nullptr);
    EditorSay("NEW STAGE: CTRL+S NAMES ITS FILE");
}

void EditorNew(void) {
    if (EditorIsDirty()) {
        EditorAsk(EDITOR_ASK_NEW);
    } else {
        EditorOpenBlank();
    }
}

// The character a key types into a file name (Shift: capitals and '_'); 0 for none.
static char EditorTyped(int32_t vk, int shift) {
    if (vk >= KEY_A && vk <= KEY_Z) {
        return (char)(shift ? vk : vk - KEY_A + 'a');
    }
    if (vk >= KEY_0 && vk <= KEY_9) {
        return (char)vk;
    }
    if (vk >= KEY_NUMPAD0 && vk <= KEY_NUMPAD9) {
        return (char)('0' + vk - KEY_NUMPAD0);
    }
    if (vk == KEY_MINUS) {
        return shift ? '_' : '-';
    }
    if (vk == KEY_SUBTRACT) {
        return '-';
    }
    return vk == KEY_PERIOD || vk == KEY_DECIMAL ? '.' : 0;
}

// Save As: the keys of this frame typed into the name; Backspace takes the last character back.
static void EditorTypeName(void) {
    size_t length = strlen(gEditor.name);
    if (InputIsKeyDown(KEY_CONTROL)) {
        return; // a chord types nothing
    }
    if (InputWasKeyPressed(KEY_BACKSPACE) && length > 0) {
        gEditor.name[--length] = '\0';
    }
    const int shift = InputIsKeyDown(KEY_SHIFT);
    for (int32_t vk = 0; vk < KEY_COUNT; ++vk) {
        const char c = EditorTyped(vk, shift);
        if (c && InputWasKeyPressed(vk) && length < EDITOR_NAME_CHARS) {
            gEditor.name[length++] = c;
            gEditor.name[length] = '\0';
        }
    }
}

void EditorOfferRecovery(void) {
    if (EditorFindRecovery(&gRecovered)) {
        EditorAsk(EDITOR_ASK_RECOVER);
    } else {
        EditorDropRecovery(); // the same as the file, or none
    }
}

// The answer given this frame: the key of a pressed answer, or of the answer clicked; 0 for none.
static int32_t EditorGivenAnswer(void) {
    const EditorQuestionText* q = &EDITOR_QUESTIONS[gEditor.question];
    for (int32_t i = 0; i < 3; ++i) {
        const EditorAnswerButton& answer = q->answers[i];
        if (!answer.label) {
            continue;
        }
        if (InputWasKeyPressed(answer.key)) {
            return answer.key;
        }
        int32_t x = 0, w = 0;
        EditorAnswerBox(i, &x, &w);
        const int32_t mx = InputGetMouseLogicalX(), my = InputGetMouseLogicalY();
        if (InputWasMouseLeftPressed() && mx >= x && mx < x + w && my >= EDITOR_ASK_BUTTON_Y &&
            my < EDITOR_ASK_BUTTON_Y + EDITOR_ASK_BUTTON_H) {
            return answer.key;
        }
    }
    return 0;
}

void EditorAnswer(void) {
    const int32_t question = gEditor.question;
    if (question == EDITOR_ASK_NAME) {
        EditorTypeName();
    }
    const int32_t key = EditorGivenAnswer();
    if (key == 0) {
        return;
    }
    gEditor.question = EDITOR_ASK_NONE;
    switch (question) {
    case EDITOR_ASK_CLOSE:
    case EDITOR_ASK_LEAVE:
    case EDITOR_ASK_NEW:
        if (key == KEY_ESCAPE || (key == KEY_S && !EditorSave(0))) {
            return; // staying, or the save did not happen (and says why, or asks)
        }
        if (key == 'D') {
            EditorDropRecovery();
        }
        if (question == EDITOR_ASK_CLOSE) {
            gEditor.quit = 1;
        } else if (question == EDITOR_ASK_NEW) {
            EditorOpenBlank();
        } else {
            EditorClose();
        }
        return;
    case EDITOR_ASK_NAME:
        if (key == KEY_ESCAPE) {
            EditorSay("NOT SAVED: SAVE AS CANCELLED");
        } else if (!EditorSaveAs(gEditor.name, 0) && gEditor.question == EDITOR_ASK_NONE) {
            gEditor.question = EDITOR_ASK_NAME; // refused: the name can be mended
        }
        return;
    case EDITOR_ASK_REPLACE:
        if (key == KEY_R) {
            EditorSaveAs(gEditor.name, 1);
        } else {
            EditorSay("NOT SAVED: THE FILE OF THAT NAME IS KEPT");
        }
        return;
    case EDITOR_ASK_RECOVER:
        if (key == KEY_R) {
            EditorReplaceGrid(&gRecovered);
            EditorSay("RESTORED: CTRL+S WRITES IT, CTRL+Z UNDOES");
        } else {
            EditorDropRecovery();
        }
        return;
    case EDITOR_ASK_OVERWRITE:
        if (key == KEY_S) {
            EditorSave(1);
        } else {
            EditorSay("NOT SAVED: THE FILE ON DISK IS KEPT");
        }
        return;
    default:
        return;
    }
}

void EditorRenderQuestion(void) {
    if (gEditor.question == EDITOR_ASK_NONE) {
        return;
    }
    const EditorQuestionText* q = &EDITOR_QUESTIONS[gEditor.question];
    RenderFillRect(EDITOR_ASK_X, EDITOR_ASK_Y, EDITOR_ASK_W, EDITOR_ASK_H, EDITOR_BAR_BG);
    RenderDrawBox(EDITOR_ASK_X, EDITOR_ASK_Y, EDITOR_ASK_W, EDITOR_ASK_H, EDITOR_WHITE);
    DrawMsxStringCentered(EDITOR_ASK_Y + 8, q->lines[0], EDITOR_YELLOW, 1);
    if (gEditor.question == EDITOR_ASK_NAME) {
        char typed[EDITOR_NAME_CHARS + 2];
        snprintf(typed, sizeof(typed), "%s_", gEditor.name);
        DrawMsxStringCentered(EDITOR_ASK_Y + 20, typed, EDITOR_WHITE, 1);
    } else {
        DrawMsxStringCentered(EDITOR_ASK_Y + 20, q->lines[1], EDITOR_WHITE, 1);
    }
    for (int32_t i = 0; i < 3; ++i) {
        if (!q->answers[i].label) {
            continue;
        }
        int32_t x = 0, w = 0;
        EditorAnswerBox(i, &x, &w);
        RenderDrawBox(x, EDITOR_ASK_BUTTON_Y, w, EDITOR_ASK_BUTTON_H, EDITOR_GREY);
        DrawMsxString(x + 4, EDITOR_ASK_BUTTON_Y + 4, q->answers[i].label, EDITOR_WHITE, 1);
    }
}
