// png_writer.cpp -- PNG output through zlib: 0x00RRGGBB pixels become 8-bit RGB rows (no filter),
// compressed as they are written and cut into IDAT chunks as the compressor fills its buffer.
#include "tools/common/png_writer.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include "app/safe_output.h"

static const size_t PNG_CHUNK_BYTES = 1 << 16;

struct PngJob {
    SafeOutput out;
    z_stream zs;
    unsigned char* row;   // the filter byte and one row of RGB
    unsigned char* chunk; // compressed bytes waiting for their IDAT chunk
};

static void PngPut32(unsigned char* at, uint32_t v) {
    at[0] = (unsigned char)(v >> 24);
    at[1] = (unsigned char)(v >> 16);
    at[2] = (unsigned char)(v >> 8);
    at[3] = (unsigned char)v;
}

// One chunk: length, type, data, and the CRC of type and data.
static int PngChunk(FILE* f, const char* type, const unsigned char* data, size_t size) {
    unsigned char head[8];
    PngPut32(head, (uint32_t)size);
    memcpy(head + 4, type, 4);
    uLong crc = crc32(crc32(0L, Z_NULL, 0), head + 4, 4);
    if (size > 0) {
        crc = crc32(crc, data, (uInt)size);
    }
    unsigned char tail[4];
    PngPut32(tail, (uint32_t)crc);
    return fwrite(head, 1, 8, f) == 8 && (size == 0 || fwrite(data, 1, size, f) == size) &&
           fwrite(tail, 1, 4, f) == 4;
}

// Feeds the row to the compressor (or finishes the stream) and writes every full buffer as a chunk.
static int PngDeflate(PngJob* job, unsigned char* in, size_t size, int flush) {
    job->zs.next_in = in;
    job->zs.avail_in = (uInt)size;
    for (;;) {
        int status = deflate(&job->zs, flush);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            return 0;
        }
        size_t ready = PNG_CHUNK_BYTES - job->zs.avail_out;
        int full = job->zs.avail_out == 0;
        if ((full || status == Z_STREAM_END) && ready > 0) {
            if (!PngChunk(job->out.file, "IDAT", job->chunk, ready)) {
                return 0;
            }
            job->zs.next_out = job->chunk;
            job->zs.avail_out = (uInt)PNG_CHUNK_BYTES;
        }
        if (status == Z_STREAM_END || (!full && job->zs.avail_in == 0 && flush == Z_NO_FLUSH)) {
            return 1;
        }
    }
}

static int PngWriteAll(PngJob* job, const uint32_t* pixels, int32_t w, int32_t h) {
    static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    unsigned char header[13] = {};
    PngPut32(header, (uint32_t)w);
    PngPut32(header + 4, (uint32_t)h);
    header[8] = 8; // bits per sample
    header[9] = 2; // RGB
    if (fwrite(SIGNATURE, 1, 8, job->out.file) != 8 ||
        !PngChunk(job->out.file, "IHDR", header, sizeof(header))) {
        return 0;
    }
    job->zs.next_out = job->chunk;
    job->zs.avail_out = (uInt)PNG_CHUNK_BYTES;
    for (int32_t y = 0; y < h; ++y) {
        const uint32_t* src = pixels + (size_t)y * (size_t)w;
        job->row[0] = 0; // no filter
        for (int32_t x = 0; x < w; ++x) {
            job->row[1 + x * 3 + 0] = (unsigned char)((src[x] >> 16) & 0xFF);
            job->row[1 + x * 3 + 1] = (unsigned char)((src[x] >> 8) & 0xFF);
            job->row[1 + x * 3 + 2] = (unsigned char)(src[x] & 0xFF);
        }
        if (!PngDeflate(job, job->row, 1 + (size_t)w * 3, Z_NO_FLUSH)) {
            return 0;
        }
    }
    return PngDeflate(job, nullptr, 0, Z_FINISH) && PngChunk(job->out.file, "IEND", nullptr, 0);
}

int PngWrite(const char* path, const uint32_t* pixels, int32_t w, int32_t h) {
    if (!path || !pixels || w <= 0 || h <= 0 || w > (0x7FFFFFFF - 1) / 3) {
        return 0;
    }
    static PngJob job; // large (two paths): kept off the stack
    memset(&job.zs, 0, sizeof(job.zs));
    if (!SafeOutputOpen(&job.out, path, nullptr, 0)) {
        return 0;
    }
    job.row = (unsigned char*)malloc(1 + (size_t)w * 3);
    job.chunk = (unsigned char*)malloc(PNG_CHUNK_BYTES);
    int started = job.row && job.chunk && deflateInit(&job.zs, Z_BEST_COMPRESSION) == Z_OK;
    // A half-written picture never takes the target's place; only its temporary file is removed.
    int ok = started && PngWriteAll(&job, pixels, w, h);
    if (started) {
        deflateEnd(&job.zs);
    }
    free(job.row);
    free(job.chunk);
    return SafeOutputClose(&job.out, ok);
}
