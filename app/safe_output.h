// safe_output.h -- every file a tool writes goes to a temporary file beside the target and is renamed
// over it only once complete, so a failed or refused write never harms what was there before.
#pragma once
#include <stddef.h>
#include <stdio.h>

constexpr size_t SAFE_OUTPUT_MAX_PATH = 4096;

struct SafeOutput {
    FILE* file; // write here; null when not open
    char target[SAFE_OUTPUT_MAX_PATH];
    char temp[SAFE_OUTPUT_MAX_PATH + 16];
};

// 1 when path may be written: it does not exist yet or is a regular file. A directory, FIFO or device
// is refused, and why (when not null) gets a line saying so.
int SafeOutputAllowed(const char* path, char* why, size_t whySize);
// 1 when a and b name one file: the same path spelled differently, through a link, or a hard link.
int SafeOutputSameFile(const char* a, const char* b);
// 1 when output names none of the count files in others (null entries and "-" are skipped); else 0
// with why naming the two. Tools call it for every output before any work.
int SafeOutputDistinct(const char* output, const char* const* others, int count, char* why, size_t whySize);
// A name for a copy kept beside a file: stem itself while nothing has that name, else stem, sep and 1,
// 2, ... 99; 0 when every one is taken or the name does not fit in out.
int SafeOutputFreeName(const char* stem, const char* sep, char* out, size_t outSize);
// 1 when path is allowed and a file can be created beside it now (the folder exists and takes new
// files); checked before long work so that its result is not lost at the end.
int SafeOutputWritable(const char* path, char* why, size_t whySize);
// Creates the temporary file beside path (with the target's permissions when it exists; through a
// symbolic link, beside the file it names, which is then replaced while the link stays), first removing
// temporary files of path that tools stopped while writing left behind; 0 (with why filled, naming the
// file and the system's reason) when path is refused or nothing can be created there.
int SafeOutputOpen(SafeOutput* out, const char* path, char* why, size_t whySize);
// Closes the temporary file and renames it over the target when ok is 1 and every write and the close
// succeeded; otherwise removes only the temporary file. Returns 1 when the target now holds the output.
int SafeOutputClose(SafeOutput* out, int ok);
