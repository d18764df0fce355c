// maptool.cpp -- the stage maker's tool: `maptool check FILE` says what the game will make of a stage
// file, `maptool preview FILE OUT.png` draws the whole stage as the game draws it (with a replay's route
// over it), `maptool solve FILE` searches for a route that clears it and writes that as a replay.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/run.h"
#include "app/solve.h"
#include "app/safe_output.h"
#include "app/stage_set.h"
#include "tools/common/png_writer.h"
#include "tools/maptool/map_check.h"
#include "tools/maptool/map_preview.h"
#include "tools/maptool/map_solve.h"
#include "tools/runner/replay_run.h"

static const int MAPTOOL_OK = 0;
static const int MAPTOOL_UNCLEARABLE = 1;
static const int MAPTOOL_USAGE = 2;
static const int MAPTOOL_NOT_SETTLED = 3;

static int MaptoolUsage(void) {
    fprintf(
        stderr,
        "usage: maptool check FILE\n"
        "       maptool check --solve [--budget SECONDS] FILE\n"
        "       maptool preview FILE OUT.png [--route REPLAY]\n"
        "       maptool solve FILE|--builtin [-o REPLAY] [--budget SECONDS] [--seed N] [--png OUT.png]\n"
        "                     [--par OUT.par] [--shake TRIES [--shake-frames F] [--shake-degrees D]\n"
        "                     [--shake-seed S]]\n"
        "check exits with 0 for a stage that can be cleared, 1 when it cannot (no goal, no tiles, or with\n"
        "--solve the solver's \"cannot be cleared\"), 2 when the file cannot be read, and with --solve 3\n"
        "when the search is not settled.\n"
        "solve searches for inputs that clear the stage and writes them as a kalvoro-run replay (to stdout\n"
        "without -o). Exit status: 0 clearable, with a route; 1 cannot be cleared, with the reason (the "
        "goal\n"
        "walled in, or out of reach); 2 bad input; 3 not settled: the budget (60 s of processor time unless\n"
        "told) or the memory ran out first, naming the tile reached nearest the goal (--png draws the way\n"
        "there). --par writes the route's par and margin in the form the game reads beside a stage\n"
        "(NAME.par next to NAME.txt). --shake plays the route found TRIES times with every press moved by\n"
        "a random -F..+F frames (1 unless told) and every shot turned by -D..+D degrees (0 unless told),\n"
        "and says how many tries still clear; the same seed (1 unless told), the same tries.\n");
    return MAPTOOL_USAGE;
}

static MapCheckReport gReport;

static int MaptoolCheck(const char* path) {
    if (!MapCheckFile(path, &gReport)) {
        fprintf(stderr, "maptool: cannot read '%s': %s\n", path, MapCheckUnreadableReason(&gReport));
        return MAPTOOL_USAGE;
    }
    printf("%s\n", path);
    for (const std::string& fact : gReport.facts) {
        printf("  %s\n", fact.c_str());
    }
    for (const std::string& warning : gReport.warnings) {
        printf("warning: %s\n", warning.c_str());
    }
    for (const std::string& error : gReport.errors) {
        printf("error: %s\n", error.c_str());
    }
    if (gReport.verdict != MAP_CHECK_OK) {
        printf("%s: cannot be cleared\n", path);
        return MAPTOOL_UNCLEARABLE;
    }
    printf("%s: ok, %zu warning%s\n", path, gReport.warnings.size(), gReport.warnings.size() == 1 ? "" : "s");
    return MAPTOOL_OK;
}

static const double MAPTOOL_DEFAULT_BUDGET = 60.0;

// The solver's settings and where its outputs go.
struct MaptoolSolveArgs {
    const char* stage; // null with --builtin
    const char* replayOut;
    const char* pngOut;
    double budget;
    uint32_t seed;
    const char* parOut;
    SolveShakeOptions shake; // no tries: no shaking
};

static MaptoolSolveArgs MaptoolSolveDefaults(void) {
    MaptoolSolveArgs a = {nullptr, nullptr, nullptr, MAPTOOL_DEFAULT_BUDGET, 0, nullptr, {0, 1, 0, 1}};
    return a;
}

// Reads a replay script file (a regular file only, so a FIFO cannot stall the tool).
static int MaptoolReadScript(const char* path, ReplayScript* script) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) {
        fprintf(stderr, "maptool: cannot read the replay '%s': %s\n", path,
                stat(path, &st) != 0 ? "it does not exist" : "it is not a regular file");
        return 0;
    }
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "maptool: cannot read the replay '%s'\n", path);
        return 0;
    }
    std::vector<char> text(REPLAY_MAX_BYTES + 1);
    const size_t n = fread(text.data(), 1, text.size(), f);
    const int ok = !ferror(f);
    fclose(f);
    ReplayError error;
    if (!ok || !ReplayScriptParse(text.data(), n, script, &error)) {
        fprintf(stderr, "maptool: the replay '%s' cannot be used: %s\n", path,
                ok ? error.message : "read error");
        return 0;
    }
    return 1;
}

// The stage picture with the route of script drawn over it, written to out.
static int MaptoolWriteRoutePicture(const Tilemap* map, const char* stagePath, const ReplayScript* script,
                                    const char* out) {
    std::vector<uint32_t> pixels;
    int32_t w = 0;
    int32_t h = 0;
    if (!MapPreviewDraw(map, &pixels, &w, &h)) {
        fprintf(stderr, "maptool: cannot write '%s'\n", out);
        return MAPTOOL_USAGE;
    }
    char error[256];
    if (script && MapPreviewDrawRoute(stagePath, script, pixels.data(), w, h, error) < 0) {
        fprintf(stderr, "maptool: %s\n", error);
        return MAPTOOL_UNCLEARABLE;
    }
    if (!PngWrite(out, pixels.data(), w, h)) {
        fprintf(stderr, "maptool: cannot write '%s'\n", out);
        return MAPTOOL_USAGE;
    }
    printf("%s: %d x %d pixels\n", out, (int)w, (int)h);
    return MAPTOOL_OK;
}

// The stage picture, with the route of the replay at routePath over it when that is not null.
static int MaptoolPreview(const char* path, const char* out, const char* routePath) {
    char why[640];
    const char* inputs[2] = {path, routePath};
    if (!SafeOutputDistinct(out, inputs, 2, why, sizeof(why)) || !SafeOutputWritable(out, why, sizeof(why))) {
        fprintf(stderr, "maptool: %s\n", why);
        return MAPTOOL_USAGE;
    }
    if (!MapCheckFile(path, &gReport)) {
        fprintf(stderr, "maptool: cannot read '%s': %s\n", path, MapCheckUnreadableReason(&gReport));
        return MAPTOOL_USAGE;
    }
    if (!gReport.usedFile) {
        fprintf(stderr, "maptool: '%s' has no cells; the game would play its built-in stage\n", path);
        return MAPTOOL_UNCLEARABLE;
    }
    static ReplayScript script;
    if (routePath && !MaptoolReadScript(routePath, &script)) {
        return MAPTOOL_USAGE;
    }
    return MaptoolWriteRoutePicture(&gReport.map, path, routePath ? &script : nullptr, out);
}

static void MaptoolPar(int32_t frames, char* text, size_t size) {
    const int32_t ms = frames * REPLAY_DEFAULT_DT;
    snprintf(text, size, "%d:%02d", (int)(ms / 60000), (int)(ms / 1000 % 60));
}

// Plays the script the solver wrote through the runner, as kalvoro-run --expect clear would.
static int MaptoolProveScript(const char* stagePath, const std::string& text, char* message, size_t size) {
    static ReplayScript script;
    ReplayError error;
    if (!ReplayScriptParse(text.data(), text.size(), &script, &error)) {
        snprintf(message, size, "the route's script is refused: %s", error.message);
        return 0;
    }
    ReplayRunOptions options = {};
    options.stagePath = stagePath;
    ReplayRunResult result;
    if (!ReplayRun(&script, &options, &result)) {
        snprintf(message, size, "the route does not replay: %s", result.message);
        return 0;
    }
    if (result.last.mode != MODE_STAGE_CLEAR) {
        snprintf(message, size, "the route's replay ends in %s", ReplayModeName(result.last.mode));
        return 0;
    }
    return 1;
}

static int MaptoolWriteText(const char* path, const std::string& text) {
    char why[320];
    SafeOutput out;
    if (!SafeOutputOpen(&out, path, why, sizeof(why))) {
        fprintf(stderr, "maptool: %s\n", why);
        return 0;
    }
    const int ok = fwrite(text.data(), 1, text.size(), out.file) == text.size();
    if (!SafeOutputClose(&out, ok)) {
        fprintf(stderr, "maptool: cannot write '%s'\n", path);
        return 0;
    }
    return 1;
}

// Runs the solver on the stage; the verdict line goes to report (stdout, or stderr when the replay
// itself goes to stdout).
static int MaptoolSolve(const MaptoolSolveArgs* a, int quietReplay, MapSolveResult* result) {
    const char* stagePath = a->stage ? a->stage : "";
    const char* name = a->stage ? a->stage : "the built-in stage";
    static Tilemap builtin;
    const Tilemap* map = &gReport.map;
    if (a->stage) {
        if (!MapCheckFile(a->stage, &gReport)) {
            fprintf(stderr, "maptool: cannot read '%s': %s\n", a->stage, MapCheckUnreadableReason(&gReport));
            return MAPTOOL_USAGE;
        }
        if (!gReport.usedFile) {
            fprintf(stderr,
                    "maptool: '%s' has no cells; the game would play its built-in stage (--builtin)\n",
                    a->stage);
            return MAPTOOL_USAGE;
        }
        if (gReport.goalCells == 0) {
            fprintf(stderr, "maptool: '%s' has no goal: it cannot be cleared\n", a->stage);
            return MAPTOOL_UNCLEARABLE;
        }
    } else {
        LevelLoadStageFrom(&builtin, "", nullptr, nullptr, nullptr);
        map = &builtin;
    }
    fprintf(stderr, "solve: %s, %d x %d tiles, budget %.0f s of processor time, seed %u\n", name,
            (int)map->width, (int)map->height, a->budget, (unsigned)a->seed);
    MapSolveOptions options = {stagePath, a->budget, a->seed, 1, 0, a->shake};
    if (!MapSolve(&options, result)) {
        fprintf(stderr, "maptool: %s cannot be started\n", name);
        return MAPTOOL_USAGE;
    }
    FILE* report = quietReplay ? stderr : stdout;
    if (!result->found) {
        fprintf(report, "%s: %s\n", name, result->verdict);
        if (result->answer == SOLVE_ANSWER_NOT_SETTLED) {
            fprintf(stderr,
                    "solve: stopped after %.1f s (%lld states, %.0f bytes a state, %lld frames run)\n",
                    result->seconds, (long long)result->states, result->bytesPerState,
                    (long long)result->framesRun);
        }
        if (a->pngOut) {
            const std::string text = MapSolveScript(&options, result->route, name, 0);
            static ReplayScript script;
            ReplayError error;
            if (ReplayScriptParse(text.data(), text.size(), &script, &error)) {
                MaptoolWriteRoutePicture(map, stagePath, &script, a->pngOut);
            }
        }
        return result->answer == SOLVE_ANSWER_CANNOT ? MAPTOOL_UNCLEARABLE : MAPTOOL_NOT_SETTLED;
    }
    const std::string text = MapSolveScript(&options, result->route, name, 1);
    char message[320];
    if (!MaptoolProveScript(stagePath, text, message, sizeof(message))) {
        fprintf(stderr, "maptool: %s\n", message);
        return MAPTOOL_UNCLEARABLE;
    }
    char par[32];
    MaptoolPar(result->frames, par, sizeof(par));
    fprintf(
        stderr,
        "solve: found in %.1f s (%lld states, %.0f bytes a state, %lld frames run): %d frames, shortened and "
        "centred to %d\n",
        result->seconds, (long long)result->states, result->bytesPerState, (long long)result->framesRun,
        (int)result->searchFrames, (int)result->frames);
    fprintf(report, "%s: clearable in %d frames (par %s), margin %d frames and %d degrees (%s)\n", name,
            (int)result->frames, par, (int)result->marginFrames, (int)result->marginDegrees,
            SolveRating(result->marginFrames, result->marginDegrees));
    if (a->shake.tries > 0) {
        fprintf(report,
                "%s: %d of %d shaken tries clear (every press moved by up to %d frame%s, every shot turned by up "
                "to %d degree%s; shake seed %u)\n",
                name, (int)result->shakeClears, (int)a->shake.tries, (int)a->shake.frames,
                a->shake.frames == 1 ? "" : "s", (int)a->shake.degrees, a->shake.degrees == 1 ? "" : "s",
                (unsigned)a->shake.seed);
    }
    if (a->replayOut && !MaptoolWriteText(a->replayOut, text)) {
        return MAPTOOL_USAGE;
    }
    if (a->parOut) {
        char line[160];
        snprintf(line, sizeof(line), "%s\n%d %d %d %s\n", STAGE_PAR_VERSION_LINE, (int)result->frames,
                 (int)result->marginFrames, (int)result->marginDegrees,
                 SolveRating(result->marginFrames, result->marginDegrees));
        // The route as a run of the stage the game loads, for the title's Shift+W; a route longer than a
        // run leaves the par without one, as the game keeps a par it found.
        static char routeText[RUN_MAX_TEXT];
        SolveOptions stage = {};
        stage.stagePath = stagePath;
        if (!RunTextFromRoute(&stage, result->route.data(), (int32_t)result->route.size(), routeText)) {
            fprintf(stderr, "maptool: the route is too long to keep beside the par; the par is kept without it\n");
        }
        if (!MaptoolWriteText(a->parOut, std::string(line) + (routeText[0] ? std::string(routeText) + "\n" : ""))) {
            return MAPTOOL_USAGE;
        }
    }
    if (!a->replayOut && !quietReplay) {
        return MAPTOOL_OK;
    }
    if (!a->replayOut) {
        fwrite(text.data(), 1, text.size(), stdout);
    }
    if (a->pngOut) {
        static ReplayScript script;
        ReplayError error;
        ReplayScriptParse(text.data(), text.size(), &script, &error);
        return MaptoolWriteRoutePicture(map, stagePath, &script, a->pngOut);
    }
    return MAPTOOL_OK;
}

static int MaptoolNumber(const char* text, double low, double high, double* out) {
    char* end = nullptr;
    const double v = strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= low && v <= high)) {
        return 0;
    }
    *out = v;
    return 1;
}

// Options shared by solve and check --solve; i is advanced past what was used. 0: bad, message given.
static int MaptoolSolveOption(int argc, char** argv, int* i, MaptoolSolveArgs* a) {
    const char* opt = argv[*i];
    // The whole-number options: where each goes and its range.
    const struct {
        const char* name;
        uint32_t* value;
        double low;
        double high;
    } counts[] = {
        {"--seed", &a->seed, 0.0, 4294967295.0},
        {"--shake", (uint32_t*)&a->shake.tries, 1.0, 100000.0},
        {"--shake-frames", (uint32_t*)&a->shake.frames, 0.0, 8.0},
        {"--shake-degrees", (uint32_t*)&a->shake.degrees, 0.0, 10.0},
        {"--shake-seed", &a->shake.seed, 0.0, 4294967295.0},
    };
    int count = -1;
    for (int c = 0; c < (int)(sizeof(counts) / sizeof(counts[0])); ++c) {
        count = strcmp(opt, counts[c].name) ? count : c;
    }
    if (strcmp(opt, "--budget") && count < 0 && strcmp(opt, "-o") && strcmp(opt, "--png") &&
        strcmp(opt, "--par")) {
        fprintf(stderr, "maptool: unknown option '%s'\n", opt);
        return 0;
    }
    if (*i + 1 >= argc) {
        fprintf(stderr, "maptool: %s needs a value\n", opt);
        return 0;
    }
    const char* value = argv[++*i];
    double v = 0.0;
    if (!strcmp(opt, "--budget")) {
        if (!MaptoolNumber(value, 0.1, 86400.0, &v)) {
            fprintf(stderr, "maptool: --budget takes seconds from 0.1 to 86400, not '%s'\n", value);
            return 0;
        }
        a->budget = v;
    } else if (count >= 0) {
        if (!MaptoolNumber(value, counts[count].low, counts[count].high, &v) || v != (double)(uint32_t)v) {
            fprintf(stderr, "maptool: %s takes a whole number from %.0f to %.0f, not '%s'\n", opt,
                    counts[count].low, counts[count].high, value);
            return 0;
        }
        *counts[count].value = (uint32_t)v;
    } else if (!strcmp(opt, "-o")) {
        a->replayOut = value;
    } else if (!strcmp(opt, "--par")) {
        a->parOut = value;
    } else {
        a->pngOut = value;
    }
    return 1;
}

// Before the search: each output its own file, none of them the stage, and each can be written.
static int MaptoolOutputsAllowed(const MaptoolSolveArgs* a) {
    char why[640];
    const char* files[4] = {a->stage, a->replayOut, a->pngOut, a->parOut};
    for (const char* out : {a->replayOut, a->pngOut, a->parOut}) {
        if (out && (!SafeOutputDistinct(out, files, 4, why, sizeof(why)) ||
                    !SafeOutputWritable(out, why, sizeof(why)))) {
            fprintf(stderr, "maptool: %s\n", why);
            return 0;
        }
    }
    return 1;
}

static int MaptoolSolveCommand(int argc, char** argv) {
    MaptoolSolveArgs a = MaptoolSolveDefaults();
    int builtin = 0;
    for (int i = 2; i < argc; ++i) {
        if (!strcmp(argv[i], "--builtin")) {
            builtin = 1;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            if (!MaptoolSolveOption(argc, argv, &i, &a)) {
                return MAPTOOL_USAGE;
            }
        } else if (!a.stage) {
            a.stage = argv[i];
        } else {
            fprintf(stderr, "maptool: solve takes one stage\n");
            return MAPTOOL_USAGE;
        }
    }
    if (builtin == (a.stage != nullptr)) {
        fprintf(stderr, "maptool: solve takes a stage file or --builtin\n");
        return MaptoolUsage();
    }
    if (!MaptoolOutputsAllowed(&a)) {
        return MAPTOOL_USAGE;
    }
    static MapSolveResult result;
    return MaptoolSolve(&a, a.replayOut == nullptr, &result);
}

// check, then with --solve the solver's verdict on a stage the check passed.
static int MaptoolCheckCommand(int argc, char** argv) {
    MaptoolSolveArgs a = MaptoolSolveDefaults();
    int solve = 0;
    for (int i = 2; i < argc; ++i) {
        if (!strcmp(argv[i], "--solve")) {
            solve = 1;
        } else if (!strcmp(argv[i], "--budget")) {
            if (!MaptoolSolveOption(argc, argv, &i, &a)) {
                return MAPTOOL_USAGE;
            }
        } else if (!a.stage && (argv[i][0] != '-' || argv[i][1] == '\0')) {
            a.stage = argv[i];
        } else {
            return MaptoolUsage();
        }
    }
    if (!a.stage) {
        return MaptoolUsage();
    }
    const int status = MaptoolCheck(a.stage);
    if (status != MAPTOOL_OK || !solve) {
        return status;
    }
    fflush(stdout);
    static MapSolveResult result;
    return MaptoolSolve(&a, 0, &result);
}

static int MaptoolCommand(int argc, char** argv) {
    if (argc >= 2 && !strcmp(argv[1], "solve")) {
        return MaptoolSolveCommand(argc, argv);
    }
    if (argc >= 3 && !strcmp(argv[1], "check")) {
        return MaptoolCheckCommand(argc, argv);
    }
    if (argc == 4 && !strcmp(argv[1], "preview")) {
        return MaptoolPreview(argv[2], argv[3], nullptr);
    }
    if (argc == 6 && !strcmp(argv[1], "preview") && !strcmp(argv[4], "--route")) {
        return MaptoolPreview(argv[2], argv[3], argv[5]);
    }
    return MaptoolUsage();
}

int main(int argc, char** argv) {
    const int status = MaptoolCommand(argc, argv);
    // A replay or report that never reached standard output (a full disk) is no success.
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "maptool: cannot write to standard output: %s\n", strerror(errno));
        return MAPTOOL_USAGE;
    }
    return status;
}
