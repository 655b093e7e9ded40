/* liblumivex: read a JPEG photo's facts and the copies of its picture, and replace, delete, regenerate or
 * check the thumbnail in its Exif block, on bytes in memory or on files.
 *
 * Conventions
 *   - Every function that can fail returns an int: LVX_OK (0) or one of the LVX_E_* codes. When the caller
 *     passes an lvx_status, it is filled in as well: the same code, the outcome word and one line for a
 *     person (the message the command-line tool prints). Pass NULL when only the code matters.
 *   - Handles (lvx_photo, lvx_check, lvx_job) are opaque; each is freed with its own *_free function, which
 *     accepts NULL. Strings and bytes a handle returns live as long as the handle.
 *   - Bytes and strings handed to the caller (uint8_t **out, char **out) are freed with lvx_free.
 *   - Thread safety: every call is self-contained. Any number of threads may call the library at the same
 *     time on different handles; a handle is read-only after it is made, so threads may share one too.
 *     There is no global "last error": errors come back in the caller's lvx_status.
 *   - Nothing here ends the process, prints, or lets an exception out.
 *   - Paths are bytes (UTF-8 on most systems), as the operating system takes them.
 */
#ifndef LUMIVEX_LUMIVEX_H
#define LUMIVEX_LUMIVEX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define LVX_API __attribute__((visibility("default")))
#else
#define LVX_API
#endif

#define LVX_VERSION_MAJOR 1

/* Return codes. */
enum {
    LVX_OK = 0,
    LVX_E_ARGUMENT = 1, /* a NULL where bytes were needed, an unknown option, a bad command line */
    LVX_E_REFUSED = 2,  /* the edit cannot be made safely or does not fit; nothing was written */
    LVX_E_FAILED = 3,   /* the photo cannot be read (not a JPEG, damaged) or a file could not be written */
    LVX_E_MEMORY = 4,   /* out of memory */
    LVX_E_INTERNAL = 5  /* a fault inside the library */
};

typedef struct lvx_status {
    int code;          /* the value the function returned */
    int changed;       /* 1 when the photo was (or, in a dry run, would be) written */
    char outcome[16];  /* "done", "nothing to do", "refused", "failed" */
    char route[48];    /* replace and regenerate: which way the thumbnail went in; else "" */
    char message[512]; /* one line for a person; "" when there is nothing to say */
} lvx_status;

/* "1.0.0" */
LVX_API const char* lvx_version(void);

/* Frees bytes and strings returned by the library. NULL is fine. */
LVX_API void lvx_free(void* pointer);

/* ---- Reading a photo ------------------------------------------------------------------------------- */

typedef struct lvx_photo lvx_photo;

/* Reads a photo's segments up to its image data (never the image data itself). */
LVX_API int lvx_photo_read_path(const char* path, lvx_photo** photo, lvx_status* status);
LVX_API int lvx_photo_read_bytes(const uint8_t* data, size_t size, lvx_photo** photo, lvx_status* status);
LVX_API void lvx_photo_free(lvx_photo* photo);

/* The facts; "" or 0 when the photo does not say. */
LVX_API const char* lvx_photo_make(const lvx_photo* photo);
LVX_API const char* lvx_photo_model(const lvx_photo* photo);
/* "YYYY:MM:DD HH:MM:SS": DateTimeOriginal, or the photo's first date when it has none. */
LVX_API const char* lvx_photo_datetime_original(const lvx_photo* photo);
LVX_API int lvx_photo_orientation(const lvx_photo* photo); /* 1 to 8; 0 when absent or invalid */
LVX_API int lvx_photo_width(const lvx_photo* photo);       /* from the frame header */
LVX_API int lvx_photo_height(const lvx_photo* photo);
LVX_API uint64_t lvx_photo_size(const lvx_photo* photo); /* bytes in the whole file */

/* The Exif thumbnail's bytes, or NULL (and *size 0) when the photo has none. */
LVX_API const uint8_t* lvx_photo_thumbnail(const lvx_photo* photo, size_t* size);

/* The copies of the picture the photo carries besides its image: the Exif thumbnail first (when there is
 * one), then the others in file order. */
typedef struct lvx_copy {
    const char* kind; /* "exif", "mpf", "photoshop", "jpeg" (an image after the photo's end)... */
    const char* name; /* the short name the tool prints */
    uint64_t offset;  /* of the copy's first byte in the file; 0 where not known */
    uint64_t length;  /* its bytes; 0 where not known */
} lvx_copy;

LVX_API size_t lvx_photo_copy_count(const lvx_photo* photo);
LVX_API int lvx_photo_copy(const lvx_photo* photo, size_t index, lvx_copy* copy);

/* ---- Editing bytes in memory: the photo in, the new photo out ----------------------------------------- */

/* When nothing needs changing (delete on a photo without a thumbnail), the result is LVX_OK, status->outcome
 * is "nothing to do" and *out holds the photo's bytes unchanged. *out is freed with lvx_free. */
LVX_API int lvx_replace_thumbnail(const uint8_t* photo, size_t photo_size, const uint8_t* thumbnail,
                                  size_t thumbnail_size, uint8_t** out, size_t* out_size, lvx_status* status);
LVX_API int lvx_delete_thumbnail(const uint8_t* photo, size_t photo_size, uint8_t** out, size_t* out_size,
                                 lvx_status* status);

/* The same edits in two steps, for a caller who wants the new photo in a buffer of its own (a language's bytes
 * object, a mapped file): plan the edit, make a buffer of lvx_edit_size bytes, and let lvx_edit_write fill it.
 * Planning reads the photo where it lies and copies nothing of it. The code and the status are those of
 * lvx_replace_thumbnail and lvx_delete_thumbnail; on "nothing to do" the new photo is the photo unchanged. */
typedef struct lvx_edit lvx_edit;

LVX_API int lvx_edit_replace_thumbnail(const uint8_t* photo, size_t photo_size, const uint8_t* thumbnail,
                                       size_t thumbnail_size, lvx_edit** edit, lvx_status* status);
LVX_API int lvx_edit_delete_thumbnail(const uint8_t* photo, size_t photo_size, lvx_edit** edit, lvx_status* status);
/* Bytes in the new photo; 0 for NULL. */
LVX_API size_t lvx_edit_size(const lvx_edit* edit);
/* The new photo into out, which holds out_size >= lvx_edit_size bytes. photo must be the bytes the edit was
 * planned on, unchanged: LVX_E_ARGUMENT when out is too small or photo_size is not the planned photo's. */
LVX_API int lvx_edit_write(const lvx_edit* edit, const uint8_t* photo, size_t photo_size, uint8_t* out, size_t out_size,
                           lvx_status* status);
LVX_API void lvx_edit_free(lvx_edit* edit);

typedef struct lvx_regenerate_options {
    int box_width;  /* the box the new thumbnail fits in; 0: 160 */
    int box_height; /* 0: 120 */
    int quality;    /* the JPEG quality to start from, 1 to 100; 0: 85 */
} lvx_regenerate_options;

/* A new thumbnail made from the photo's own pixels. options may be NULL. */
LVX_API int lvx_regenerate(const uint8_t* photo, size_t photo_size, const lvx_regenerate_options* options,
                           uint8_t** out, size_t* out_size, lvx_status* status);

/* ---- Editing files in place, with the tool's safe replacement ------------------------------------------ */

/* The photo's name holds the original or the complete new file at every instant; the original is kept as
 * PHOTO.orig unless LVX_NO_BACKUP is given. */
enum { LVX_NO_BACKUP = 1, LVX_DRY_RUN = 2 };

LVX_API int lvx_replace_thumbnail_path(const char* photo_path, const uint8_t* thumbnail, size_t thumbnail_size,
                                       int flags, lvx_status* status);
LVX_API int lvx_delete_thumbnail_path(const char* photo_path, int flags, lvx_status* status);
LVX_API int lvx_regenerate_path(const char* photo_path, const lvx_regenerate_options* options, int flags,
                                lvx_status* status);

/* ---- Checking: does each copy still show the photo? --------------------------------------------------- */

typedef struct lvx_check lvx_check;

typedef struct lvx_checked_copy {
    const char* kind; /* as in lvx_copy */
    const char* name;
    const char* verdict; /* "fresh", "stale", or "not compared" for copies this version does not compare */
    const char* reason;  /* why stale; else "" */
    int has_score;       /* 1 when score holds a comparison */
    double score;        /* similarity 0 (unrelated) to 1 (the same) */
} lvx_checked_copy;

/* The photo's result (LVX_OK even when stale: the verdict says it). */
LVX_API int lvx_check_path(const char* photo_path, lvx_check** check, lvx_status* status);
LVX_API int lvx_check_bytes(const uint8_t* photo, size_t photo_size, lvx_check** check, lvx_status* status);
LVX_API void lvx_check_free(lvx_check* check);
/* "fresh", "stale", "none" (no thumbnail) or "error" (the photo cannot be checked) */
LVX_API const char* lvx_check_verdict(const lvx_check* check);
LVX_API const char* lvx_check_reason(const lvx_check* check);
LVX_API int lvx_check_score(const lvx_check* check, double* score); /* 1 and the score, or 0 */
LVX_API size_t lvx_check_copy_count(const lvx_check* check);
LVX_API int lvx_check_copy(const lvx_check* check, size_t index, lvx_checked_copy* copy);

/* ---- Jobs of the command-line tool, one photo at a time --------------------------------------------- */

/* A job is the tool's command line (without the program name), e.g. {"check", "-r", "DIR"} or
 * {"replace", "-t", "new.jpg", "--json", "a.jpg"}: the same options, the same photos in the same order,
 * and for each photo the same JSON line as `lumivex --json`. A distributed runner makes the job on each
 * machine from the same arguments, lists the photos once, and runs each photo wherever it likes. */
typedef struct lvx_job lvx_job;

LVX_API int lvx_job_new(const char* const* args, size_t count, lvx_job** job, lvx_status* status);
LVX_API void lvx_job_free(lvx_job* job);

typedef struct lvx_job_photo {
    const char* path;
    const char* output; /* export: OUT; else "" */
    const char*
        ready_line; /* the JSON line when the tool decided before any work (a folder without -r...); else NULL */
} lvx_job_photo;

/* Walks the operands as the tool does. Call once; the list lives as long as the job. */
LVX_API int lvx_job_list(lvx_job* job, size_t* count, lvx_status* status);
LVX_API int lvx_job_photo_at(const lvx_job* job, size_t index, lvx_job_photo* photo);
/* Runs the job on one photo and returns its JSON line (without a line feed) in *json_line, freed with
 * lvx_free. *failed is set to 1 when the result counts toward the tool's exit status 1. */
LVX_API int lvx_job_run(const lvx_job* job, const char* path, const char* output, char** json_line, int* failed,
                        lvx_status* status);

#ifdef __cplusplus
}
#endif

#endif /* LUMIVEX_LUMIVEX_H */
