// runner_main.cpp -- kalvoro-run: the command line of the headless replay runner. Reads a stage and a
// replay script, plays the real game through it, and writes pictures, sound, a trace and a summary.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "app/main.h"
#include "app/safe_output.h"
#include "audio/audio.h"
#include "backends/headless/headless.h"
#include "render/render.h"
#include "tools/common/png_writer.h"
#include "tools/common/wav_writer.h"
#include "tools/runner/replay_record.h"
#include "tools/runner/replay_run.h"
#include "tools/runner/replay_script.h"
#include "world/level.h"

static const int RUN_OK = 0;
static const int RUN_FAILED = 1;
static const int RUN_USAGE = 2;
static const int RUN_WRITE_FAILED = 3;
static const int32_t RUN_MAX_PNG_AT = 256;
static const size_t RUN_MAX_PATH = 1024;

static const char* const RUN_USAGE_TEXT =
    "usage: kalvoro-run [options] SCRIPT\n"
    "  --stage FILE          play this stage file (default: tools/maptool/map.txt from here, as the game)\n"
    "  --builtin             play the built-in stage\n"
    "  --set FOLDER          play the stage set in FOLDER from its first stage, as the game given it\n"
    "  --keep-progress       keep progress in the data folder, as the game's own window does\n"
    "  --window WxH          client size of the headless window (default 320x200;\n"
    "                        960x600 is the size the game opens with)\n"
    "  --png PREFIX          start of saved picture names (default frame-): PREFIX000120.png\n"
    "  --png-every N         save a picture every N frames (within --png-from and --png-to)\n"
    "  --png-from F          the first frame --png-every may save (default 1)\n"
    "  --png-to F            the last frame --png-every may save (default: the end)\n"
    "  --png-at F,F,...      save pictures after these frames\n"
    "  --presented           save the presented window image instead of the 320 x 200 picture\n"
    "  --wav FILE            write everything the game played as a WAV file\n"
    "  --trace FILE          write one CSV line per frame\n"
    "  --record FILE         write the run as a script with checkpoints\n"
    "  --checkpoint-every N  frames between the checkpoints --record writes (default 60)\n"
    "  --expect MODE         succeed only if the run ends in MODE: title, playing, clear or gameover\n"
    "  --quiet               no summary line\n"
    "exit status: 0 success, 1 a checkpoint or --expect failed, 2 bad arguments or script,\n"
    "             3 an output file could not be written\n";

struct RunOptions {
    const char* scriptPath;
    const char* stagePath; // null: the game's own path
    const char* setPath;
    int keepProgress;
    int builtin;
    int32_t clientW;
    int32_t clientH;
    const char* pngPrefix;
    int32_t pngEvery;
    int32_t pngFrom;
    int32_t pngTo;
    int32_t pngAt[RUN_MAX_PNG_AT];
    int32_t pngAtCount;
    int presented;
    const char* wavPath;
    const char* tracePath;
    const char* recordPath;
    int32_t checkpointEvery;
    int32_t expectMode; // -1: none
    int quiet;
};

// What the per-frame hook needs: the options, the open outputs and the play time so far.
struct RunOutputs {
    const RunOptions* options;
    SafeOutput traceOut;
    SafeOutput recordOut;
    WavStream wav;
    int wavOpen;
    FILE* trace;
    ReplayRecorder recorder;
    int recording;
    uint64_t playMs;
    int32_t pngsWritten;
    int writeFailed; // the run stopped because an output could not be written
};

static int RunUsage(const char* format, const char* detail) {
    fprintf(stderr, "kalvoro-run: ");
    fprintf(stderr, format, detail);
    fprintf(stderr, "\n(kalvoro-run --help lists the options)\n");
    return RUN_USAGE;
}

static int RunParseCount(const char* text, int32_t lo, int32_t hi, int32_t* out) {
    if (!text || !*text) {
        return 0;
    }
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (*end != '\0' || value < lo || value > hi || text[0] == '+' || text[0] == ' ') {
        return 0;
    }
    *out = (int32_t)value;
    return 1;
}

static int RunParseSize(const char* text, int32_t* w, int32_t* h) {
    char buf[32];
    if (!text || strlen(text) >= sizeof(buf)) {
        return 0;
    }
    strcpy(buf, text);
    char* x = strchr(buf, 'x');
    if (!x) {
        return 0;
    }
    *x = '\0';
    return RunParseCount(buf, 1, REPLAY_MAX_CLIENT, w) && RunParseCount(x + 1, 1, REPLAY_MAX_CLIENT, h);
}

static int RunParsePngAt(const char* text, RunOptions* o) {
    char buf[4096];
    if (strlen(text) >= sizeof(buf)) {
        return 0;
    }
    strcpy(buf, text);
    for (char* part = strtok(buf, ","); part; part = strtok(nullptr, ",")) {
        if (o->pngAtCount >= RUN_MAX_PNG_AT ||
            !RunParseCount(part, 0, REPLAY_MAX_FRAMES, &o->pngAt[o->pngAtCount])) {
            return 0;
        }
        o->pngAtCount++;
    }
    return o->pngAtCount > 0;
}

// Parses argv; RUN_OK, or RUN_USAGE after printing the one message that says what is wrong.
static int RunParseArgs(int argc, char** argv, RunOptions* o) {
    memset(o, 0, sizeof(*o));
    o->pngPrefix = "frame-";
    o->pngTo = REPLAY_MAX_FRAMES;
    o->checkpointEvery = 60;
    o->expectMode = -1;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        // Options that take a value consume the next word.
        const int takesValue = !strcmp(arg, "--stage") || !strcmp(arg, "--set") || !strcmp(arg, "--window") ||
                               !strcmp(arg, "--png") || !strcmp(arg, "--png-every") ||
                               !strcmp(arg, "--png-at") || !strcmp(arg, "--png-from") ||
                               !strcmp(arg, "--png-to") || !strcmp(arg, "--wav") || !strcmp(arg, "--trace") ||
                               !strcmp(arg, "--record") || !strcmp(arg, "--checkpoint-every") ||
                               !strcmp(arg, "--expect");
        if (takesValue) {
            if (!value) {
                return RunUsage("%s needs a value", arg);
            }
            if (strlen(value) >= RUN_MAX_PATH) {
                return RunUsage("the value of %s is too long", arg);
            }
            ++i;
        }
        if (!strcmp(arg, "-h") || !strcmp(arg, "--help")) {
            fputs(RUN_USAGE_TEXT, stdout);
            exit(RUN_OK);
        } else if (!strcmp(arg, "--stage")) {
            o->stagePath = value;
        } else if (!strcmp(arg, "--set")) {
            o->setPath = value;
        } else if (!strcmp(arg, "--keep-progress")) {
            o->keepProgress = 1;
        } else if (!strcmp(arg, "--builtin")) {
            o->builtin = 1;
        } else if (!strcmp(arg, "--window")) {
            if (!RunParseSize(value, &o->clientW, &o->clientH)) {
                return RunUsage("--window takes WxH with each from 1 to 2560, not '%s'", value);
            }
        } else if (!strcmp(arg, "--png")) {
            o->pngPrefix = value;
        } else if (!strcmp(arg, "--png-every")) {
            if (!RunParseCount(value, 1, REPLAY_MAX_FRAMES, &o->pngEvery)) {
                return RunUsage("--png-every takes a number of frames from 1 to 1000000, not '%s'", value);
            }
        } else if (!strcmp(arg, "--png-from") || !strcmp(arg, "--png-to")) {
            const int from = !strcmp(arg, "--png-from");
            if (!RunParseCount(value, 0, REPLAY_MAX_FRAMES, from ? &o->pngFrom : &o->pngTo)) {
                return RunUsage(from ? "--png-from takes a frame number from 0 to 1000000, not '%s'"
                                     : "--png-to takes a frame number from 0 to 1000000, not '%s'",
                                value);
            }
        } else if (!strcmp(arg, "--png-at")) {
            if (!RunParsePngAt(value, o)) {
                return RunUsage("--png-at takes up to 256 frame numbers separated by commas, not '%s'",
                                value);
            }
        } else if (!strcmp(arg, "--presented")) {
            o->presented = 1;
        } else if (!strcmp(arg, "--wav")) {
            o->wavPath = value;
        } else if (!strcmp(arg, "--trace")) {
            o->tracePath = value;
        } else if (!strcmp(arg, "--record")) {
            o->recordPath = value;
        } else if (!strcmp(arg, "--checkpoint-every")) {
            if (!RunParseCount(value, 0, REPLAY_MAX_FRAMES, &o->checkpointEvery)) {
                return RunUsage("--checkpoint-every takes a number of frames from 0 to 1000000, not '%s'",
                                value);
            }
        } else if (!strcmp(arg, "--expect")) {
            o->expectMode = ReplayModeFromName(value);
            if (o->expectMode < 0) {
                return RunUsage("--expect takes title, playing, clear or gameover, not '%s'", value);
            }
        } else if (!strcmp(arg, "--quiet")) {
            o->quiet = 1;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return RunUsage("unknown option '%s'", arg);
        } else if (o->scriptPath) {
            return RunUsage("one script only; '%s' is a second one", arg);
        } else {
            o->scriptPath = arg;
        }
    }
    if (!o->scriptPath) {
        return RunUsage("%s", "no replay script given");
    }
    if ((o->builtin != 0) + (o->stagePath != nullptr) + (o->setPath != nullptr) > 1) {
        return RunUsage("%s", "--stage, --set and --builtin cannot be used together");
    }
    return RUN_OK;
}

// Reads at most REPLAY_MAX_BYTES + 1 bytes, so an oversized file is reported by the parser, not read whole.
static int RunReadScript(const char* path, std::vector<char>* text) {
    FILE* f = fopen(path, "rb");
    if (!f) {
        return 0;
    }
    text->resize(REPLAY_MAX_BYTES + 1);
    size_t n = fread(text->data(), 1, text->size(), f);
    int ok = !ferror(f);
    fclose(f);
    text->resize(n);
    return ok;
}

// The game silently plays the built-in stage when its file cannot be used; a runner told to play a
// file must not. The game's own loader decides, so a FIFO or a device is never opened.
static const char* RunStageProblem(const char* path) {
    static Tilemap probe; // large: kept off the stack
    LevelReadInfo info;
    LevelLoadStageFrom(&probe, path, nullptr, nullptr, &info);
    switch (info.source) {
    case LEVEL_FROM_FILE:
        return nullptr;
    case LEVEL_BUILTIN_NOT_REGULAR:
        return "it is not a regular file";
    case LEVEL_BUILTIN_NO_FILE:
        return "it does not open";
    default:
        return "it has no tiles";
    }
}

static int RunWantsPng(const RunOptions* o, int32_t frame) {
    if (o->pngEvery > 0 && frame % o->pngEvery == 0 && frame >= o->pngFrom && frame <= o->pngTo) {
        return 1;
    }
    for (int32_t i = 0; i < o->pngAtCount; ++i) {
        if (o->pngAt[i] == frame) {
            return 1;
        }
    }
    return 0;
}

static int RunOnFrame(void* user, const ReplayFrameInput* input, const ReplayState* s,
                      ReplayRunResult* result) {
    RunOutputs* out = (RunOutputs*)user;
    const RunOptions* o = out->options;
    out->playMs += (uint64_t)input->dt;
    if (out->trace) {
        fprintf(out->trace, "%d,%s,%.9g,%.9g,%.9g,%.9g,%d,%d,%d,%d,%.9g,%.9g\n", (int)s->frame,
                ReplayModeName(s->mode), (double)s->x, (double)s->y, (double)s->vx, (double)s->vy,
                (int)s->onGround, (int)s->shells, (int)s->reloading, (int)s->enemiesAlive, (double)s->cameraX,
                (double)s->cameraY);
    }
    if (out->recording) {
        ReplayRecordFrame(&out->recorder, input, s);
    }
    if (out->wavOpen && !out->wav.ok) {
        out->writeFailed = 1;
        snprintf(result->message, sizeof(result->message), "frame %d: cannot write the sound %.200s",
                 (int)s->frame, o->wavPath);
        return 0;
    }
    if (RunWantsPng(o, s->frame)) {
        char path[RUN_MAX_PATH + 32];
        snprintf(path, sizeof(path), "%s%06d.png", o->pngPrefix, (int)s->frame);
        int32_t w = LOGICAL_WIDTH;
        int32_t h = LOGICAL_HEIGHT;
        const uint32_t* pixels = o->presented ? HeadlessPresentedImage(&w, &h) : pixelBuffer;
        if (!pixels || !PngWrite(path, pixels, w, h)) {
            out->writeFailed = 1;
            snprintf(result->message, sizeof(result->message), "frame %d: cannot write the picture %.200s",
                     (int)s->frame, path);
            return 0;
        }
        out->pngsWritten++;
    }
    return 1;
}

// Every sample the game plays goes straight to the file; nothing of it is kept.
static void RunStreamSound(void* user, const int16_t* samples, int32_t count) {
    WavStream* wav = (WavStream*)user;
    if (wav->ok) {
        WavStreamWrite(wav, samples, (size_t)count);
    }
}

// The most samples the run can play: one block per frame at most, and no more than its play time
// plus the two blocks the device may hold ahead.
static uint64_t RunSoundBound(const ReplayScript* script) {
    uint64_t frames = 1; // the first block may be queued before the first scripted frame
    uint64_t playMs = 0;
    int32_t dt = REPLAY_DEFAULT_DT;
    for (const ReplayEvent& ev : script->events) {
        if (ev.type == REPLAY_DT) {
            dt = ev.a;
        } else if (ev.type == REPLAY_WAIT) {
            frames += (uint64_t)ev.a;
            playMs += (uint64_t)ev.a * (uint64_t)dt;
        }
    }
    const uint64_t byFrames = frames * (uint64_t)AUDIO_BLOCK_SAMPLES;
    const uint64_t byTime = playMs * (uint64_t)AUDIO_SAMPLE_RATE / 1000u + 3u * (uint64_t)AUDIO_BLOCK_SAMPLES;
    return byFrames < byTime ? byFrames : byTime;
}

// Refuses, before anything runs, an output that would overwrite what is not a file, one that names the
// same file as another output or an input, one that cannot be created, and a sound that would not fit
// a WAV file.
static int RunCheckOutputs(const RunOptions* o, const ReplayScript* script) {
    char why[640];
    const char* files[5] = {o->scriptPath, o->stagePath, o->wavPath, o->tracePath, o->recordPath};
    for (int i = 2; i < 5; ++i) {
        if (files[i] && (!SafeOutputDistinct(files[i], files, 5, why, sizeof(why)) ||
                         !SafeOutputWritable(files[i], why, sizeof(why)))) {
            fprintf(stderr, "kalvoro-run: %s\n", why);
            return RUN_USAGE;
        }
    }
    for (int32_t frame = 1; frame <= script->frames; ++frame) {
        if (RunWantsPng(o, frame)) {
            char path[RUN_MAX_PATH + 32];
            snprintf(path, sizeof(path), "%s%06d.png", o->pngPrefix, (int)frame);
            if (!SafeOutputAllowed(path, why, sizeof(why)) ||
                !SafeOutputDistinct(path, files, 5, why, sizeof(why))) {
                fprintf(stderr, "kalvoro-run: %s\n", why);
                return RUN_USAGE;
            }
        }
    }
    const uint64_t samples = o->wavPath ? RunSoundBound(script) : 0;
    if (samples > WAV_MAX_SAMPLES) {
        fprintf(
            stderr,
            "kalvoro-run: the sound of this run may reach %.1f GiB, more than a WAV file can hold (4 GiB); "
            "run it without --wav or in shorter parts\n",
            (double)samples * 2.0 / (1024.0 * 1024.0 * 1024.0));
        return RUN_USAGE;
    }
    return RUN_OK;
}

// Opens the trace, the recording and the sound, each through a temporary file beside its target.
static int RunOpenOutputs(const RunOptions* o, const char* stageName, RunOutputs* out) {
    char why[320];
    if (o->tracePath) {
        if (!SafeOutputOpen(&out->traceOut, o->tracePath, why, sizeof(why))) {
            fprintf(stderr, "kalvoro-run: cannot write the trace: %s\n", why);
            return 0;
        }
        out->trace = out->traceOut.file;
        fprintf(out->trace, "frame,mode,x,y,vx,vy,onGround,shells,reloading,enemiesAlive,cameraX,cameraY\n");
    }
    if (o->recordPath) {
        if (!SafeOutputOpen(&out->recordOut, o->recordPath, why, sizeof(why))) {
            SafeOutputClose(&out->traceOut, 0);
            fprintf(stderr, "kalvoro-run: cannot write the script: %s\n", why);
            return 0;
        }
        char header[RUN_MAX_PATH + 128];
        snprintf(header, sizeof(header), "recorded by kalvoro-run from %s on %s", o->scriptPath, stageName);
        ReplayRecordBegin(&out->recorder, out->recordOut.file, o->checkpointEvery, header,
                          o->clientW > 0 ? o->clientW : LOGICAL_WIDTH,
                          o->clientH > 0 ? o->clientH : LOGICAL_HEIGHT);
        out->recording = 1;
    }
    if (o->wavPath) {
        if (!WavStreamOpen(&out->wav, o->wavPath, AUDIO_SAMPLE_RATE, why, sizeof(why))) {
            SafeOutputClose(&out->traceOut, 0);
            SafeOutputClose(&out->recordOut, 0);
            fprintf(stderr, "kalvoro-run: cannot write the sound: %s\n", why);
            return 0;
        }
        out->wavOpen = 1;
    }
    return 1;
}

// Puts every output in place; 0 (after saying which) when one could not be written completely.
static int RunCloseOutputs(const RunOptions* o, RunOutputs* out, const ReplayState* last) {
    int outputsOk = 1;
    if (o->tracePath && !SafeOutputClose(&out->traceOut, 1)) {
        fprintf(stderr, "kalvoro-run: cannot write the trace '%s'\n", o->tracePath);
        outputsOk = 0;
    }
    if (out->recording) {
        const int ended = ReplayRecordEnd(&out->recorder, last);
        if (!SafeOutputClose(&out->recordOut, ended)) {
            fprintf(stderr, "kalvoro-run: cannot write the script '%s'\n", o->recordPath);
            outputsOk = 0;
        }
    }
    if (out->wavOpen && !WavStreamClose(&out->wav, 1)) {
        fprintf(stderr, "kalvoro-run: cannot write the sound '%s'\n", o->wavPath);
        outputsOk = 0;
    }
    if (!outputsOk) {
        fprintf(stderr, "kalvoro-run: an output file could not be written completely\n");
    }
    return outputsOk;
}

int main(int argc, char** argv) {
    RunOptions o;
    int status = RunParseArgs(argc, argv, &o);
    if (status != RUN_OK) {
        return status;
    }
    std::vector<char> text;
    if (!RunReadScript(o.scriptPath, &text)) {
        return RunUsage("cannot read the script '%s'", o.scriptPath);
    }
    ReplayScript script;
    ReplayError error;
    if (!ReplayScriptParse(text.data(), text.size(), &script, &error)) {
        if (error.line > 0) {
            fprintf(stderr, "kalvoro-run: %s:%d: %s\n", o.scriptPath, (int)error.line, error.message);
        } else {
            fprintf(stderr, "kalvoro-run: %s: %s\n", o.scriptPath, error.message);
        }
        return RUN_USAGE;
    }
    const char* stageProblem = o.stagePath ? RunStageProblem(o.stagePath) : nullptr;
    if (stageProblem) {
        fprintf(stderr, "kalvoro-run: cannot use the stage '%s': %s\n", o.stagePath, stageProblem);
        return RUN_USAGE;
    }
    const char* stageName = o.builtin     ? "the built-in stage"
                            : o.stagePath ? o.stagePath
                            : o.setPath   ? o.setPath
                                          : LEVEL_STAGE_PATH;
    if (!o.builtin && !o.stagePath && !o.setPath && RunStageProblem(LEVEL_STAGE_PATH)) {
        stageName = "the built-in stage (no usable " LEVEL_STAGE_PATH " here)";
    }
    status = RunCheckOutputs(&o, &script);
    if (status != RUN_OK) {
        return status;
    }

    static RunOutputs out; // holds paths and a recorder: kept off the stack
    memset(&out, 0, sizeof(out));
    out.options = &o;
    if (!RunOpenOutputs(&o, stageName, &out)) {
        return RUN_USAGE;
    }

    ReplayRunOptions run;
    memset(&run, 0, sizeof(run));
    // An empty path can never be opened, so the loader falls back to the built-in stage.
    run.stagePath = o.builtin ? "" : o.stagePath;
    run.setPath = o.setPath;
    run.keepProgress = o.keepProgress;
    run.clientW = o.clientW;
    run.clientH = o.clientH;
    run.recordAudio = 0; // the sound streams to its file instead (RunStreamSound)
    run.onFrame = RunOnFrame;
    run.user = &out;
    if (out.wavOpen) {
        HeadlessAudioSetSink(RunStreamSound, &out.wav);
    }
    static ReplayRunResult result;
    const int held = ReplayRun(&script, &run, &result);
    HeadlessAudioSetSink(nullptr, nullptr);
    status = held ? RUN_OK : RUN_FAILED;

    const int outputsOk = RunCloseOutputs(&o, &out, &result.last);
    if (!outputsOk || out.writeFailed) {
        status = RUN_WRITE_FAILED;
    }
    if (!held) {
        fprintf(stderr, "kalvoro-run: FAILED at %s\n", result.message);
    }
    const ReplayState* s = &result.last;
    if (held && o.expectMode >= 0 && s->mode != o.expectMode) {
        fprintf(stderr, "kalvoro-run: the run ended in %s at frame %d, expected %s\n",
                ReplayModeName(s->mode), (int)s->frame, ReplayModeName(o.expectMode));
        status = status == RUN_OK ? RUN_FAILED : status; // a lost output is said first
    }
    if (!o.quiet) {
        printf("kalvoro-run: %s after %d frames (%.2f s of play) on %s: player (%.2f, %.2f), %d shell%s, "
               "%d of %d enemies alive, %d checks held, %d pictures\n",
               ReplayModeName(s->mode), (int)s->frame, (double)out.playMs / 1000.0, stageName, (double)s->x,
               (double)s->y, (int)s->shells, s->shells == 1 ? "" : "s", (int)s->enemiesAlive,
               (int)s->enemyCount, (int)result.checks, (int)out.pngsWritten);
    }
    return status;
}
