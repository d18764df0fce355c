// level.h -- the stage text format: reads the stage file into a Tilemap (border, enemy spawns,
// player spawn), falling back to the built-in test stage; writes a grid back as stage text.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "world/tilemap.h"

// Where the game looks for its stage, relative to the working directory.
#define LEVEL_STAGE_PATH "tools/maptool/map.txt"

// Fills map from the stage file or, when it cannot be used, from the built-in stage. map must not be null.
void LevelLoadTestStage(Tilemap* map);
// Points the loader at another stage file (tools and tests); null restores LEVEL_STAGE_PATH.
void LevelSetStagePath(const char* path);
// Points the loader at a stage held as text (an editor's, a search's), read exactly as a file with
// these bytes; the text must outlive the loads. Null goes back to the stage file.
void LevelSetStageText(const char* text, size_t length);

// Where the next stage start reads its stage, for whoever points it elsewhere for a while.
struct LevelStageSource {
    const char* text; // null: the file at path
    size_t length;
    char path[4096];
};
void LevelGetStageSource(LevelStageSource* out);
void LevelSetStageSource(const LevelStageSource* in);
// Changes whenever the stage source is set, so a watcher need not compare the whole source.
uint32_t LevelStageSourceRevision(void);

// Where a load took its stage from.
enum LevelSource {
    LEVEL_FROM_FILE = 0,       // the file's rows
    LEVEL_BUILTIN_NO_FILE,     // the path does not exist or cannot be opened
    LEVEL_BUILTIN_NOT_REGULAR, // a directory, FIFO, device...: never opened
    LEVEL_BUILTIN_NO_CELLS,    // the file opened but gave no cell in its first lines
};

// What a load read: the source, and how the read of the file ended.
struct LevelReadInfo {
    int32_t source;    // LevelSource
    uint64_t bytes;    // bytes read from the file
    int32_t capped;    // 1: reading stopped at the size cap, as if the file ended there
    int32_t readError; // 1: the read broke off with an error (the rows read before it count)
};

// Sees every byte the loader reads, in order; may be null.
typedef void (*LevelByteObserver)(void* context, const unsigned char* bytes, size_t count);

// Loads the stage at path exactly as the game does, telling observe every byte read. With an observer
// the file is read on to the cap or its end even after the last row the game keeps, so a tool sees
// what follows; the map is the same either way. info may be null.
void LevelLoadStageFrom(Tilemap* map, const char* path, LevelByteObserver observe, void* context,
                        LevelReadInfo* info);
// Loads a stage held as text exactly as a file with these bytes would load (the built-in stage when it
// gives no cell). info may be null.
void LevelLoadStageText(Tilemap* map, const char* text, size_t length, LevelReadInfo* info);
// A stage is a few kilobytes. Reading stops after this many bytes, as if the file ended there, so a
// huge, sparse or still growing file cannot stall a stage start.
constexpr uint64_t LEVEL_MAX_READ_BYTES = (uint64_t)1 << 20;

// Reads stage text into map as written, as the loader reads a file (the same lines, columns and size
// cap): markers kept, no border, no spawn point. 1 when it held a cell.
int LevelReadGridText(Tilemap* map, const char* text, size_t length);
// Reads the stage file at path the same way; returns its LevelSource (LEVEL_FROM_FILE: map holds it).
int32_t LevelReadGridFile(Tilemap* map, const char* path);

// The tile id a byte of stage text stands for (TILE_EMPTY for every byte that is not a tile's).
int LevelTileForByte(unsigned char c);

// Room for any stage as text: every row at full width with its line feed.
constexpr size_t LEVEL_MAX_TEXT_BYTES = (size_t)MAP_MAX_ROWS * (MAP_MAX_COLS + 1);
// Writes map's grid (markers included) as stage text, width bytes and a line feed per row, so the
// reader above gives the same grid back. Returns the length; 0 when size is too small.
size_t LevelWriteText(const Tilemap* map, char* out, size_t size);
