/* Many threads editing different photos through the C interface at once must each get exactly what one
 * thread alone gets: the engine's per-photo records must not leak between calls or threads.
 * Usage: c_api_threads PHOTO_DIR SCRATCH_DIR */
#include <lumivex/lumivex.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kThreads = 8, kRounds = 6 };

static const char* names[] = {"canon-40d.jpg", "nikon-d70.jpg", "kodak-dc240-mm.jpg", "nikon-gps.jpg",
                              "fujifilm-6900zoom-mm.jpg"};
enum { kPhotos = sizeof names / sizeof names[0] };

typedef struct {
    uint8_t *bytes, *deleted, *thumbnail;
    size_t size, deleted_size, thumbnail_size;
    char make[64];
} Photo;

static Photo photos[kPhotos];
static char scratch_dir[1024];

typedef struct {
    int index;
    int failures;
} Work;

static int same(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size) {
    return a_size == b_size && memcmp(a, b, a_size) == 0;
}

static void* work(void* arg) {
    Work* w = arg;
    const Photo* p = &photos[w->index % kPhotos];
    char path[2048];
    snprintf(path, sizeof path, "%s/thread-%d.jpg", scratch_dir, w->index);
    for (int round = 0; round < kRounds; ++round) {
        uint8_t *out = NULL, *back = NULL;
        size_t out_size = 0, back_size = 0;
        lvx_status status;
        if (lvx_delete_thumbnail(p->bytes, p->size, &out, &out_size, &status) != LVX_OK ||
            !same(out, out_size, p->deleted, p->deleted_size)) {
            fprintf(stderr, "thread %d: delete differs (%s)\n", w->index, status.message), ++w->failures;
        }
        /* planned, then written into this thread's own buffer */
        lvx_edit* edit = NULL;
        uint8_t* mine = NULL;
        if (lvx_edit_delete_thumbnail(p->bytes, p->size, &edit, &status) != LVX_OK ||
            (mine = malloc(lvx_edit_size(edit))) == NULL ||
            lvx_edit_write(edit, p->bytes, p->size, mine, lvx_edit_size(edit), &status) != LVX_OK ||
            !same(mine, lvx_edit_size(edit), p->deleted, p->deleted_size)) {
            fprintf(stderr, "thread %d: planned delete differs (%s)\n", w->index, status.message), ++w->failures;
        }
        free(mine), lvx_edit_free(edit);
        if (lvx_replace_thumbnail(out, out_size, p->thumbnail, p->thumbnail_size, &back, &back_size, &status) !=
            LVX_OK) {
            fprintf(stderr, "thread %d: replace: %s\n", w->index, status.message), ++w->failures;
        }
        lvx_photo* photo = NULL;
        if (lvx_photo_read_bytes(back, back_size, &photo, &status) != LVX_OK ||
            strcmp(lvx_photo_make(photo), p->make) != 0) {
            fprintf(stderr, "thread %d: facts of another photo\n", w->index), ++w->failures;
        } else {
            size_t size = 0;
            const uint8_t* thumb = lvx_photo_thumbnail(photo, &size);
            if (!same(thumb, size, p->thumbnail, p->thumbnail_size)) {
                fprintf(stderr, "thread %d: thumbnail differs\n", w->index), ++w->failures;
            }
        }
        lvx_photo_free(photo);
        /* the same on a file of this thread's own */
        FILE* file = fopen(path, "wb");
        fwrite(p->bytes, 1, p->size, file);
        fclose(file);
        if (lvx_delete_thumbnail_path(path, LVX_NO_BACKUP, &status) != LVX_OK) {
            fprintf(stderr, "thread %d: delete on path: %s\n", w->index, status.message), ++w->failures;
        }
        photo = NULL;
        size_t size = 1;
        if (lvx_photo_read_path(path, &photo, &status) != LVX_OK || lvx_photo_thumbnail(photo, &size) != NULL) {
            fprintf(stderr, "thread %d: thumbnail left on path\n", w->index), ++w->failures;
        }
        lvx_photo_free(photo);
        lvx_free(out), lvx_free(back);
    }
    remove(path);
    return NULL;
}

int main(int argc, char** argv) {
    if (argc != 3) return fprintf(stderr, "usage: c_api_threads PHOTO_DIR SCRATCH_DIR\n"), 2;
    snprintf(scratch_dir, sizeof scratch_dir, "%s", argv[2]);
    /* what one thread gets, first */
    for (int i = 0; i < kPhotos; ++i) {
        char path[2048];
        snprintf(path, sizeof path, "%s/%s", argv[1], names[i]);
        FILE* file = fopen(path, "rb");
        if (!file) return fprintf(stderr, "cannot open %s\n", path), 1;
        fseek(file, 0, SEEK_END);
        photos[i].size = (size_t)ftell(file);
        fseek(file, 0, SEEK_SET);
        photos[i].bytes = malloc(photos[i].size);
        if (fread(photos[i].bytes, 1, photos[i].size, file) != photos[i].size) return 1;
        fclose(file);
        lvx_photo* photo = NULL;
        if (lvx_photo_read_bytes(photos[i].bytes, photos[i].size, &photo, NULL) != LVX_OK) return 1;
        snprintf(photos[i].make, sizeof photos[i].make, "%s", lvx_photo_make(photo));
        const uint8_t* thumb = lvx_photo_thumbnail(photo, &photos[i].thumbnail_size);
        photos[i].thumbnail = malloc(photos[i].thumbnail_size);
        memcpy(photos[i].thumbnail, thumb, photos[i].thumbnail_size);
        lvx_photo_free(photo);
        if (lvx_delete_thumbnail(photos[i].bytes, photos[i].size, &photos[i].deleted, &photos[i].deleted_size, NULL))
            return 1;
    }
    pthread_t threads[kThreads];
    Work works[kThreads];
    for (int t = 0; t < kThreads; ++t) {
        works[t] = (Work){t, 0};
        pthread_create(&threads[t], NULL, work, &works[t]);
    }
    int failures = 0;
    for (int t = 0; t < kThreads; ++t) {
        pthread_join(threads[t], NULL);
        failures += works[t].failures;
    }
    printf("c_api_threads: %d threads x %d rounds, %d failures\n", kThreads, kRounds, failures);
    return failures ? 1 : 0;
}
