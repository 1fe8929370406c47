/* libvarnelo: turns a picture into coloured text.
 *
 * Copyright the Varnelo developers. GPL-3.0-or-later.
 *
 * The way of a conversion: settings (varnelo_settings), a picture
 * (varnelo_picture, from a file, from bytes in memory or from pixels), and
 * either a grid of cells (varnelo_cells: each cell's text and its two
 * colours) or an output in one of the converter's formats (HTML, RTF, a
 * BMP, JPG or PNG image, terminal text) written to a file, a buffer or a
 * descriptor. A job (varnelo_job) carries a progress callback and a cancel
 * for one conversion.
 *
 * Errors: every call that can fail returns a varnelo_status; the words of
 * the last failure on the calling thread are varnelo_last_error()'s. The
 * library writes nothing to standard output or standard error of its own.
 *
 * Threads: settings, pictures, jobs and cells are separate objects; any
 * number of conversions may run at once on separate threads, each with its
 * own job, and they may share settings and pictures, which a conversion (and
 * varnelo_picture_size) only reads. A settings object must not be changed
 * while a conversion reads it.
 * varnelo_job_cancel may be called from any thread at any time while its
 * conversion runs. Nothing else about one object may be called from two
 * threads at once.
 */
#ifndef VARNELO_VARNELO_H
#define VARNELO_VARNELO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VARNELO_API __attribute__((visibility("default")))
#else
#define VARNELO_API
#endif

/* The version of the library's interface the header describes; the
 * library's own is varnelo_version(). */
#define VARNELO_VERSION_MAJOR 0

/* How a call ended. New codes may be added; treat an unknown one as a failure. */
typedef enum varnelo_status {
    VARNELO_OK = 0,
    VARNELO_ERROR_ARGUMENT = 1,  /* a null pointer, a size or stride that cannot be */
    VARNELO_ERROR_SETTING = 2,   /* a setting's name or value refused */
    VARNELO_ERROR_READ = 3,      /* the picture's or the phrase's file could not be read */
    VARNELO_ERROR_PICTURE = 4,   /* no picture, a damaged one, or one of a type not read */
    VARNELO_ERROR_TOO_LARGE = 5, /* the size asked for is beyond the limits */
    VARNELO_ERROR_MEMORY = 6,    /* the memory limit, or no memory to be had */
    VARNELO_ERROR_WRITE = 7,     /* the output could not be written */
    VARNELO_ERROR_CANCELLED = 8  /* varnelo_job_cancel stopped it; nothing was written */
} varnelo_status;

/* The words of the last failure on the calling thread, in UTF-8: valid until
 * the thread's next call into the library; "" when the last call succeeded. */
VARNELO_API const char* varnelo_last_error(void);

/* The library's version, "0.4" and so on. */
VARNELO_API const char* varnelo_version(void);

/* ---- Settings ------------------------------------------------------------ */

typedef struct varnelo_settings varnelo_settings;

/* New settings with the converter's defaults; NULL when memory ran out. */
VARNELO_API varnelo_settings* varnelo_settings_new(void);
VARNELO_API void varnelo_settings_free(varnelo_settings* settings);

/* Sets one setting by the name of varnelo-convert's long option and the
 * value it takes there, as UTF-8 text: "mode" "symbols", "format" "html",
 * "width" "120", "fit" "100x50", "background" "#ffffff", "font" "DejaVu
 * Sans Mono", "colors" "256", "seed" "7". Options without a value ("fill",
 * "no-fill", "no-aspect-correction", "no-auto-orient") take NULL. Settings
 * that go together are checked together: a refused value leaves the
 * settings as they were, with VARNELO_ERROR_SETTING. "output", "quiet",
 * "help", "version" and "list-fonts" are the converter's, not settings. */
VARNELO_API varnelo_status varnelo_settings_set(varnelo_settings* settings, const char* name,
                                                const char* value);

/* The largest size within columns x rows character cells that keeps the
 * picture's proportion as drawn: "fit" with numbers. */
VARNELO_API varnelo_status varnelo_settings_set_fit(varnelo_settings* settings, int columns,
                                                    int rows);

/* ---- Pictures ------------------------------------------------------------ */

typedef struct varnelo_picture varnelo_picture;

/* A picture file, read when converted: at the size the conversion needs, so
 * that a large JPEG is never held whole. Fails at once when the file cannot
 * be opened or starts like no picture the library reads. */
VARNELO_API varnelo_status varnelo_picture_open_file(const char* path, varnelo_picture** picture);

/* A picture file's bytes, copied: the caller's buffer may go at once. */
VARNELO_API varnelo_status varnelo_picture_open_memory(const void* bytes, size_t size,
                                                       varnelo_picture** picture);

/* A picture file's bytes, not copied: read where they lie at each
 * conversion, so they must stay as they are until the picture is freed. */
VARNELO_API varnelo_status varnelo_picture_wrap_memory(const void* bytes, size_t size,
                                                       varnelo_picture** picture);

/* How pixels handed to varnelo_picture_from_pixels lie in memory, byte by
 * byte. Alpha is not drawn: the pixels are taken as they are, without it. */
typedef enum varnelo_pixel_layout {
    VARNELO_PIXELS_RGB = 0,
    VARNELO_PIXELS_RGBA = 1,
    VARNELO_PIXELS_BGR = 2,
    VARNELO_PIXELS_BGRA = 3,
    VARNELO_PIXELS_GREY = 4
} varnelo_pixel_layout;

/* A picture of width x height pixels, rows stride bytes apart, copied. */
VARNELO_API varnelo_status varnelo_picture_from_pixels(const void* pixels, int width, int height,
                                                       size_t stride, varnelo_pixel_layout layout,
                                                       varnelo_picture** picture);

/* The picture's size in pixels as it shows, turned upright as its EXIF
 * orientation says: a file's or bytes' read from their header, at each call
 * (a picture whose type tells it only once decoded, such as an interlaced
 * PNG, is decoded for it). A picture that no longer reads fails as a
 * conversion of it would. */
VARNELO_API varnelo_status varnelo_picture_size(const varnelo_picture* picture, int* width,
                                                int* height);
VARNELO_API void varnelo_picture_free(varnelo_picture* picture);

/* ---- Jobs: progress and cancel -------------------------------------------- */

typedef struct varnelo_job varnelo_job;

/* Told on the converting thread as a conversion goes on: done of total steps. */
typedef void (*varnelo_progress_fn)(int done, int total, void* user);

VARNELO_API varnelo_job* varnelo_job_new(void);
VARNELO_API void varnelo_job_free(varnelo_job* job);
/* The callback, NULL for none; set before the conversion starts. */
VARNELO_API void varnelo_job_set_progress(varnelo_job* job, varnelo_progress_fn progress,
                                          void* user);
/* Stops the job's conversion within a fraction of a second, from any thread;
 * it then fails with VARNELO_ERROR_CANCELLED and leaves no output. A job
 * cancelled stays so: the next conversion given it stops at once. */
VARNELO_API void varnelo_job_cancel(varnelo_job* job);

/* ---- Conversions ---------------------------------------------------------- */

typedef struct varnelo_cells varnelo_cells;

/* The picture as a grid of character cells, in the settings' mode and size.
 * job may be NULL. */
VARNELO_API varnelo_status varnelo_convert_to_cells(const varnelo_settings* settings,
                                                    const varnelo_picture* picture,
                                                    varnelo_job* job, varnelo_cells** cells);

VARNELO_API int varnelo_cells_columns(const varnelo_cells* cells);
VARNELO_API int varnelo_cells_rows(const varnelo_cells* cells);
/* A cell's text, UTF-8, NUL-terminated: one character or several (numbers
 * mode), as a terminal shows it. NULL outside the grid. Valid while the
 * cells are. */
VARNELO_API const char* varnelo_cells_text(const varnelo_cells* cells, int column, int row);
/* A cell's ink (its text's colour) and background, as 0xRRGGBB. */
VARNELO_API uint32_t varnelo_cells_ink(const varnelo_cells* cells, int column, int row);
VARNELO_API uint32_t varnelo_cells_background(const varnelo_cells* cells, int column, int row);
VARNELO_API void varnelo_cells_free(varnelo_cells* cells);

/* The output in the settings' format written to path: through a temporary
 * file that becomes path only once whole, so a failure or cancel leaves what
 * was there. */
VARNELO_API varnelo_status varnelo_convert_to_file(const varnelo_settings* settings,
                                                   const varnelo_picture* picture, varnelo_job* job,
                                                   const char* path);

/* The output into a buffer of the library's, given back through bytes and
 * size and freed with varnelo_free. */
VARNELO_API varnelo_status varnelo_convert_to_memory(const varnelo_settings* settings,
                                                     const varnelo_picture* picture,
                                                     varnelo_job* job, void** bytes, size_t* size);

/* The output written to an open descriptor as it is made: what was written
 * before a failure or cancel stays written there. */
VARNELO_API varnelo_status varnelo_convert_to_descriptor(const varnelo_settings* settings,
                                                         const varnelo_picture* picture,
                                                         varnelo_job* job, int descriptor);

/* Frees what varnelo_convert_to_memory gave. */
VARNELO_API void varnelo_free(void* bytes);

#ifdef __cplusplus
}
#endif

#endif /* VARNELO_VARNELO_H */
