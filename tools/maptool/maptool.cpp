// maptool.cpp -- the stage maker's tool: `maptool check FILE` says what the game will make of a stage
// file, `maptool preview FILE OUT.png` draws the whole stage as the game draws it.
#include <stdio.h>
#include <string.h>

#include <vector>

#include "tools/common/png_writer.h"
#include "tools/common/safe_output.h"
#include "tools/maptool/map_check.h"
#include "tools/maptool/map_preview.h"

static const int MAPTOOL_OK = 0;
static const int MAPTOOL_UNCLEARABLE = 1;
static const int MAPTOOL_USAGE = 2;

static int MaptoolUsage(void) {
    fprintf(stderr,
            "usage: maptool check FILE\n"
            "       maptool preview FILE OUT.png\n"
            "check exits with 0 for a stage that can be cleared, 1 when it cannot (no goal, no tiles),\n"
            "2 when the file cannot be read\n");
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

static int MaptoolPreview(const char* path, const char* out) {
    char why[320];
    if (!SafeOutputAllowed(out, why, sizeof(why))) {
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
    std::vector<uint32_t> pixels;
    int32_t w = 0;
    int32_t h = 0;
    if (!MapPreviewDraw(&gReport.map, &pixels, &w, &h) || !PngWrite(out, pixels.data(), w, h)) {
        fprintf(stderr, "maptool: cannot write '%s'\n", out);
        return MAPTOOL_USAGE;
    }
    printf("%s: %d x %d pixels\n", out, (int)w, (int)h);
    return MAPTOOL_OK;
}

int main(int argc, char** argv) {
    if (argc == 3 && !strcmp(argv[1], "check")) {
        return MaptoolCheck(argv[2]);
    }
    if (argc == 4 && !strcmp(argv[1], "preview")) {
        return MaptoolPreview(argv[2], argv[3]);
    }
    return MaptoolUsage();
}
