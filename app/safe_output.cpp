// safe_output.cpp -- temporary file beside the target, renamed over it when complete.
#include "app/safe_output.h"

#include <errno.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

// Temporary names tried in turn: TARGET.tmp0 ... TARGET.tmp99, each created only if it does not exist.
static const int SAFE_OUTPUT_TEMP_TRIES = 100;
// A temporary file nobody has written to for this long belongs to a tool that was stopped: every
// writer puts its output out as it goes or all at once at the end.
static const auto SAFE_OUTPUT_STALE = std::chrono::minutes(2);

static void SafeOutputSay(char* why, size_t whySize, const char* format, const char* path) {
    if (why && whySize > 0) {
        snprintf(why, whySize, format, path);
    }
}

int SafeOutputFreeName(const char* stem, const char* sep, char* out, size_t outSize) {
    std::error_code error;
    for (int i = 0; i < SAFE_OUTPUT_TEMP_TRIES; ++i) {
        const int n =
            i == 0 ? snprintf(out, outSize, "%s", stem) : snprintf(out, outSize, "%s%s%d", stem, sep, i);
        if (n < 0 || (size_t)n >= outSize) {
            return 0;
        }
        if (!fs::exists(fs::symlink_status(out, error))) {
            return 1;
        }
    }
    return 0;
}

int SafeOutputAllowed(const char* path, char* why, size_t whySize) {
    if (!path || !*path || strlen(path) >= SAFE_OUTPUT_MAX_PATH) {
        SafeOutputSay(why, whySize, "'%.200s' is not a usable file name", path ? path : "");
        return 0;
    }
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status) || fs::is_regular_file(status)) {
        return 1;
    }
    SafeOutputSay(why, whySize,
                  fs::is_directory(status)
                      ? "'%.200s' is a folder, not a file: refusing to write over it"
                      : "'%.200s' is not a regular file (a device or a pipe?): refusing to write over it",
                  path);
    return 0;
}

int SafeOutputSameFile(const char* a, const char* b) {
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) {
        const bool same = fs::equivalent(a, b, error);
        return !error && same;
    }
    // Not there yet: the same name once the folders on the way are resolved.
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, error), error);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, error), error);
    return !error && pa == pb;
}

int SafeOutputDistinct(const char* output, const char* const* others, int count, char* why, size_t whySize) {
    if (!output || !strcmp(output, "-")) {
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const char* other = others[i];
        if (other && other != output && strcmp(other, "-") != 0 && SafeOutputSameFile(output, other)) {
            if (why && whySize > 0) {
                snprintf(why, whySize,
                         "'%.200s' and '%.200s' are the same file: one would be lost; give each its own name",
                         output, other);
            }
            return 0;
        }
    }
    return 1;
}

int SafeOutputWritable(const char* path, char* why, size_t whySize) {
    SafeOutput probe;
    if (!SafeOutputOpen(&probe, path, why, whySize)) {
        return 0;
    }
    SafeOutputClose(&probe, 0);
    return 1;
}

// Removes path's temporary files that no tool has written to for a while.
static void SafeOutputRemoveStale(const char* path) {
    char temp[SAFE_OUTPUT_MAX_PATH + 16];
    const auto now = fs::file_time_type::clock::now();
    for (int i = 0; i < SAFE_OUTPUT_TEMP_TRIES; ++i) {
        snprintf(temp, sizeof(temp), "%s.tmp%d", path, i);
        std::error_code error;
        if (!fs::is_regular_file(fs::symlink_status(temp, error))) {
            continue;
        }
        const auto written = fs::last_write_time(temp, error);
        if (!error && now - written > SAFE_OUTPUT_STALE) {
            fs::remove(temp, error);
        }
    }
}

// The file a path names once its symbolic links are followed (a link to a file not there yet included),
// written into resolved; path itself when it is no link or cannot be followed.
static void SafeOutputFollowLinks(const char* path, char resolved[SAFE_OUTPUT_MAX_PATH]) {
    std::error_code error;
    fs::path at(path);
    // A chain of links is followed a few steps; a loop gives up and keeps the path as given.
    for (int i = 0; i < 40 && fs::is_symlink(fs::symlink_status(at, error)); ++i) {
        const fs::path to = fs::read_symlink(at, error);
        if (error) {
            break;
        }
        at = to.is_absolute() ? to : at.parent_path() / to;
    }
    const std::string text = at.string();
    if (text.size() < SAFE_OUTPUT_MAX_PATH) {
        memcpy(resolved, text.c_str(), text.size() + 1);
    } else {
        snprintf(resolved, SAFE_OUTPUT_MAX_PATH, "%s", path);
    }
}

int SafeOutputOpen(SafeOutput* out, const char* given, char* why, size_t whySize) {
    memset(out, 0, sizeof(*out));
    // Written through a symbolic link: the file it names is replaced, and the link stays a link.
    SafeOutputFollowLinks(given, out->target);
    const char* path = out->target;
    if (!SafeOutputAllowed(path, why, whySize)) {
        return 0;
    }
    SafeOutputRemoveStale(path);
    int lastError = 0;
    for (int i = 0; i < SAFE_OUTPUT_TEMP_TRIES && !out->file; ++i) {
        snprintf(out->temp, sizeof(out->temp), "%s.tmp%d", path, i);
        out->file = fopen(out->temp, "wbx"); // x: never opens a file that is already there
        lastError = errno;
        if (!out->file && lastError != EEXIST) {
            break; // the folder refuses every name alike
        }
    }
    if (!out->file) {
        if (why && whySize > 0) {
            if (lastError == EEXIST) {
                snprintf(why, whySize,
                         "cannot create a file beside '%.200s': %.200s.tmp0 to .tmp%d all exist (left by "
                         "tools still running or stopped in the last minutes)",
                         path, path, SAFE_OUTPUT_TEMP_TRIES - 1);
            } else {
                snprintf(why, whySize, "cannot create '%.200s' to write '%.200s': %s", out->temp, path,
                         strerror(lastError));
            }
        }
        out->temp[0] = '\0';
        return 0;
    }
    // A rewritten file keeps who may read it.
    std::error_code error;
    const fs::file_status target = fs::status(path, error);
    if (!error && fs::is_regular_file(target)) {
        fs::permissions(out->temp, target.permissions(), error);
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
        fs::rename(out->temp, out->target, error);
        if (!error) {
            out->temp[0] = '\0';
            return 1;
        }
    }
    remove(out->temp);
    out->temp[0] = '\0';
    return 0;
}
