// icons.cpp -- writes the game's icon as PNG files of every size the menus, the page and the program
// file use, and a Windows .ico holding them all, from the same drawing the window uses.
// Usage: kalvoro-icons OUT_DIR   (writes OUT_DIR/shotgun-kalvoro-SIZE.png and OUT_DIR/shotgun-kalvoro.ico)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "app/icon.h"
#include "tools/common/png_writer.h"
#include "app/safe_output.h"

static const int32_t ICON_SIZES[] = {16, 24, 32, 48, 64, 128, 180, 192, 256, 512};
static const int ICON_SIZE_COUNT = (int)(sizeof(ICON_SIZES) / sizeof(ICON_SIZES[0]));
// The .ico carries the sizes Windows shows: up to 256, the largest it knows.
static const int32_t ICO_MAX_SIZE = 256;
static const size_t ICO_MAX_PNG = 1 << 20;

static uint32_t gIcon[ICON_MAX_SIZE * ICON_MAX_SIZE];

static void IcoPut16(unsigned char* at, uint32_t v) {
    at[0] = (unsigned char)(v & 0xFF);
    at[1] = (unsigned char)(v >> 8);
}

static void IcoPut32(unsigned char* at, uint32_t v) {
    IcoPut16(at, v & 0xFFFF);
    IcoPut16(at + 2, v >> 16);
}

// Reads a whole PNG just written back into memory; 0 when it cannot.
static unsigned char* IcoReadFile(const char* path, size_t* size) {
    FILE* f = fopen(path, "rb");
    if (!f) {
        return nullptr;
    }
    unsigned char* data = (unsigned char*)malloc(ICO_MAX_PNG);
    *size = data ? fread(data, 1, ICO_MAX_PNG, f) : 0;
    int whole = data && feof(f) && !ferror(f);
    fclose(f);
    if (!whole) {
        free(data);
        return nullptr;
    }
    return data;
}

// An .ico whose entries are the PNG files themselves (understood since Windows Vista).
static int IcoWrite(const char* dir, const char* path) {
    unsigned char* data[ICON_SIZE_COUNT] = {};
    size_t sizes[ICON_SIZE_COUNT] = {};
    int count = 0;
    int ok = 1;
    for (int i = 0; i < ICON_SIZE_COUNT && ICON_SIZES[i] <= ICO_MAX_SIZE && ok; ++i) {
        char png[SAFE_OUTPUT_MAX_PATH];
        snprintf(png, sizeof(png), "%s/shotgun-kalvoro-%d.png", dir, ICON_SIZES[i]);
        data[i] = IcoReadFile(png, &sizes[i]);
        ok = data[i] != nullptr;
        count = i + 1;
    }
    SafeOutput out;
    char why[320];
    if (ok && !SafeOutputOpen(&out, path, why, sizeof(why))) {
        fprintf(stderr, "kalvoro-icons: %s\n", why);
        ok = 0;
    }
    if (ok) {
        unsigned char header[6] = {0, 0, 1, 0, 0, 0};
        IcoPut16(header + 4, (uint32_t)count);
        ok = fwrite(header, 1, sizeof(header), out.file) == sizeof(header);
        uint32_t offset = (uint32_t)(sizeof(header) + 16 * count);
        for (int i = 0; i < count && ok; ++i) {
            unsigned char entry[16] = {};
            // A width or height of 0 means 256.
            entry[0] = (unsigned char)(ICON_SIZES[i] & 0xFF);
            entry[1] = (unsigned char)(ICON_SIZES[i] & 0xFF);
            IcoPut16(entry + 4, 1);
            IcoPut16(entry + 6, 32);
            IcoPut32(entry + 8, (uint32_t)sizes[i]);
            IcoPut32(entry + 12, offset);
            offset += (uint32_t)sizes[i];
            ok = fwrite(entry, 1, sizeof(entry), out.file) == sizeof(entry);
        }
        for (int i = 0; i < count && ok; ++i) {
            ok = fwrite(data[i], 1, sizes[i], out.file) == sizes[i];
        }
        ok = SafeOutputClose(&out, ok);
    }
    for (int i = 0; i < count; ++i) {
        free(data[i]);
    }
    return ok;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(
            stderr,
            "usage: kalvoro-icons OUT_DIR\n"
            "  writes the game's icon as OUT_DIR/shotgun-kalvoro-SIZE.png and OUT_DIR/shotgun-kalvoro.ico\n");
        return 2;
    }
    const char* dir = argv[1];
    struct stat st;
    if (stat(dir, &st) != 0 || !S_ISDIR(st.st_mode)) {
        fprintf(stderr, "kalvoro-icons: %s is not a folder\n", dir);
        return 2;
    }
    for (int i = 0; i < ICON_SIZE_COUNT; ++i) {
        int32_t size = ICON_SIZES[i];
        char path[SAFE_OUTPUT_MAX_PATH];
        snprintf(path, sizeof(path), "%s/shotgun-kalvoro-%d.png", dir, size);
        if (!IconDraw(size, gIcon) || !PngWrite(path, gIcon, size, size)) {
            fprintf(stderr, "kalvoro-icons: could not write %s\n", path);
            return 1;
        }
    }
    char ico[SAFE_OUTPUT_MAX_PATH];
    snprintf(ico, sizeof(ico), "%s/shotgun-kalvoro.ico", dir);
    if (!IcoWrite(dir, ico)) {
        fprintf(stderr, "kalvoro-icons: could not write %s\n", ico);
        return 1;
    }
    printf("kalvoro-icons: %d sizes and shotgun-kalvoro.ico in %s\n", ICON_SIZE_COUNT, dir);
    return 0;
}
