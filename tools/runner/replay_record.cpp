// replay_record.cpp -- turns the per-frame inputs of a run back into script lines (only what changed,
// idle frames folded into waits) and writes exact checkpoints with the state hash.
#include "tools/runner/replay_record.h"

#include <string.h>

static void ReplayFlushWait(ReplayRecorder* rec) {
    if (rec->pendingWait == 1) {
        fprintf(rec->file, "wait\n");
    } else if (rec->pendingWait > 1) {
        fprintf(rec->file, "wait %d\n", (int)rec->pendingWait);
    }
    rec->pendingWait = 0;
}

static void ReplayWriteCheckpoint(ReplayRecorder* rec, const ReplayState* s) {
    ReplayFlushWait(rec);
    // %.9g gives back the very same float when read again, so "within 0" holds on an unchanged game.
    fprintf(rec->file,
            "expect mode %s within 0 pos %.9g %.9g vel %.9g %.9g ground %d shells %d reloading %d enemies %d "
            "hash %016llx  # frame %d\n",
            ReplayModeName(s->mode), (double)s->x, (double)s->y, (double)s->vx, (double)s->vy,
            (int)s->onGround, (int)s->shells, (int)s->reloading, (int)s->enemiesAlive,
            (unsigned long long)s->hash, (int)s->frame);
    rec->lastCheckFrame = s->frame;
}

void ReplayRecordBegin(ReplayRecorder* rec, FILE* file, int32_t every, const char* header, int32_t clientW,
                       int32_t clientH) {
    memset(rec, 0, sizeof(*rec));
    rec->file = file;
    rec->every = every;
    rec->lastMode = 0; // every run starts on the title screen
    rec->lastCheckFrame = -1;
    rec->prev.dt = REPLAY_DEFAULT_DT;
    rec->prev.cursorAvailable = 1;
    rec->prev.cursorX = -1; // the first frame always states its cursor
    rec->prev.clientW = clientW;
    rec->prev.clientH = clientH;
    if (header) {
        fprintf(file, "# %s\n", header);
    }
}

void ReplayRecordFrame(ReplayRecorder* rec, const ReplayFrameInput* in, const ReplayState* state) {
    ReplayFrameInput* prev = &rec->prev;
    int changed = in->dt != prev->dt || in->clientW != prev->clientW || in->clientH != prev->clientH ||
                  in->cursorAvailable != prev->cursorAvailable || in->messageCount > 0 ||
                  memcmp(in->keys, prev->keys, sizeof(in->keys)) != 0 ||
                  (in->cursorAvailable && (in->cursorX != prev->cursorX || in->cursorY != prev->cursorY));
    if (changed) {
        ReplayFlushWait(rec);
        if (in->dt != prev->dt) {
            fprintf(rec->file, "dt %d\n", (int)in->dt);
        }
        if (in->clientW != prev->clientW || in->clientH != prev->clientH) {
            fprintf(rec->file, "size %d %d\n", (int)in->clientW, (int)in->clientH);
        }
        if (!in->cursorAvailable && prev->cursorAvailable) {
            fprintf(rec->file, "cursor none\n");
        } else if (in->cursorAvailable &&
                   (!prev->cursorAvailable || in->cursorX != prev->cursorX || in->cursorY != prev->cursorY)) {
            fprintf(rec->file, "cursor %d %d\n", (int)in->cursorX, (int)in->cursorY);
        }
        // The key-down messages in the order they came: the game acts on each as it comes (Escape then
        // a letter is not a letter then Escape). A key not yet held goes down with its message.
        uint8_t held[256];
        memcpy(held, prev->keys, sizeof(held));
        for (int32_t i = 0; i < in->messageCount && i < REPLAY_MAX_MESSAGES; ++i) {
            const int32_t code = in->messages[i];
            char name[REPLAY_KEY_NAME_SIZE];
            ReplayKeyName(code, name);
            fprintf(rec->file, "%s %s\n", held[code] ? "repeat" : "down", name);
            held[code] = 1;
        }
        // Then the held states the messages did not bring: buttons, and keys let go.
        for (int32_t code = 0; code < 256; ++code) {
            if (in->keys[code] == held[code]) {
                continue;
            }
            if (code == 1) {
                fprintf(rec->file, "%s\n", in->keys[code] ? "press" : "release");
            } else {
                char name[REPLAY_KEY_NAME_SIZE];
                ReplayKeyName(code, name);
                fprintf(rec->file, "%s %s\n", in->keys[code] ? "down" : "up", name);
            }
        }
        *prev = *in;
        prev->messageCount = 0;
    }
    rec->pendingWait++;
    const int modeChanged = state->mode != rec->lastMode;
    rec->lastMode = state->mode;
    if (modeChanged || (rec->every > 0 && state->frame % rec->every == 0)) {
        ReplayWriteCheckpoint(rec, state);
    }
}

int ReplayRecordEnd(ReplayRecorder* rec, const ReplayState* last) {
    ReplayFlushWait(rec);
    if (last->frame != rec->lastCheckFrame) {
        ReplayWriteCheckpoint(rec, last);
    }
    return fflush(rec->file) == 0 && !ferror(rec->file);
}
