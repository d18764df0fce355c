// safe_output.cpp -- temporary file beside the target, renamed over it when complete.
#include "tools/common/safe_output.h"

#include <string.h>

#include <filesystem>
#include <system_error>

// Temporary names tried in turn: TARGET.tmp0 ... TARGET.tmp99, each created only if it does not exist.
static const int SAFE_OUTPUT_TEMP_TRIES = 100;

static void SafeOutputSay(char* why, size_t whySize, const char* format, const char* path) {
    if (why && whySize > 0) {
        snprintf(why, whySize, format, path);
    }
}

int SafeOutputAllowed(const char* path, char* why, size_t whySize) {
    if (!path || !*path || strlen(path) >= SAFE_OUTPUT_MAX_PATH) {
        SafeOutputSay(why, whySize, "'%.200s' is not a usable file name", path ? path : "");
        return 0;
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) {
        return 1;
    }
    SafeOutputSay(why, whySize,
                  std::filesystem::is_directory(status)
                      ? "'%.200s' is a folder, not a file: refusing to write over it"
                      : "'%.200s' is not a regular file (a device or a pipe?): refusing to write over it",
                  path);
    return 0;
}

int SafeOutputOpen(SafeOutput* out, const char* path, char* why, size_t whySize) {
    memset(out, 0, sizeof(*out));
    if (!SafeOutputAllowed(path, why, whySize)) {
        return 0;
    }
    memcpy(out->target, path, strlen(path) + 1);
    for (int i = 0; i < SAFE_OUTPUT_TEMP_TRIES && !out->file; ++i) {
        snprintf(out->temp, sizeof(out->temp), "%s.tmp%d", path, i);
        out->file = fopen(out->temp, "wbx"); // x: never opens a file that is already there
    }
    if (!out->file) {
        out->temp[0] = '\0';
        SafeOutputSay(why, whySize, "cannot create a file beside '%.200s'", path);
        return 0;
    }
    return 1;
}

int SafeOutputClose(SafeOutput* out, int ok) {
    if (!out->file) {
        return 0;
    }
    ok = ok && fflush(out->file) == 0 && !ferror(out->file);
    ok = fclose(out->file) == 0 && ok;
    out->file = nullptr;
    // The target is checked again: something may have taken its place while the output was written.
    if (ok && SafeOutputAllowed(out->target, nullptr, 0)) {
        std::error_code error;
        std::filesystem::rename(out->temp, out->target, error);
        if (!error) {
            out->temp[0] = '\0';
            return 1;
        }
    }
    remove(out->temp);
    out->temp[0] = '\0';
    return 0;
}
