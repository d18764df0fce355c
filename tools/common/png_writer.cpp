// png_writer.cpp -- PNG output through libpng: 0x00RRGGBB pixels become 8-bit RGB rows.
#include "tools/common/png_writer.h"

#include <stdio.h>
#include <stdlib.h>

#include "tools/common/safe_output.h"

#if __has_include(<png.h>)
#include <png.h>

// libpng reports errors by longjmp; everything that must be freed afterwards is kept here.
struct PngJob {
    SafeOutput out;
    png_structp png;
    png_infop info;
    png_bytep row;
};

// Frees what the job holds and puts the picture in place when ok; 0 when it did not get there.
static int PngJobFinish(PngJob* job, int ok) {
    if (job->png) {
        png_destroy_write_struct(&job->png, job->info ? &job->info : nullptr);
    }
    free(job->row);
    return SafeOutputClose(&job->out, ok);
}

static int PngWriteRows(PngJob* job, const uint32_t* pixels, int32_t w, int32_t h) {
    if (setjmp(png_jmpbuf(job->png))) {
        return 0;
    }
    png_init_io(job->png, job->out.file);
    png_set_IHDR(job->png, job->info, (png_uint_32)w, (png_uint_32)h, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(job->png, job->info);
    for (int32_t y = 0; y < h; ++y) {
        const uint32_t* src = pixels + (size_t)y * (size_t)w;
        for (int32_t x = 0; x < w; ++x) {
            job->row[x * 3 + 0] = (png_byte)((src[x] >> 16) & 0xFF);
            job->row[x * 3 + 1] = (png_byte)((src[x] >> 8) & 0xFF);
            job->row[x * 3 + 2] = (png_byte)(src[x] & 0xFF);
        }
        png_write_row(job->png, job->row);
    }
    png_write_end(job->png, nullptr);
    return 1;
}

int PngWrite(const char* path, const uint32_t* pixels, int32_t w, int32_t h) {
    if (!path || !pixels || w <= 0 || h <= 0 || w > 0x7FFFFFFF / 3) {
        return 0;
    }
    static PngJob job; // large (two paths): kept off the stack
    job.png = nullptr;
    job.info = nullptr;
    if (!SafeOutputOpen(&job.out, path, nullptr, 0)) {
        return 0;
    }
    job.row = (png_bytep)malloc((size_t)w * 3);
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (job.png) {
        job.info = png_create_info_struct(job.png);
    }
    // A half-written picture never takes the target's place; only its temporary file is removed.
    const int ok = job.row && job.png && job.info && PngWriteRows(&job, pixels, w, h);
    return PngJobFinish(&job, ok);
}

#else

// Built without libpng: saving a picture is reported as failed.
int PngWrite(const char* path, const uint32_t* pixels, int32_t w, int32_t h) {
    (void)path;
    (void)pixels;
    (void)w;
    (void)h;
    return 0;
}

#endif
