/* The C interface as a C program sees it: facts, copies, in-memory and on-disk edits, check, errors.
 * Usage: c_api_test PHOTO_DIR SCRATCH_DIR */
#include <lumivex/lumivex.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static int failures = 0;
#define EXPECT(cond, ...)                                              \
    do {                                                               \
        if (!(cond)) {                                                 \
            fprintf(stderr, "%s:%d: %s: ", __FILE__, __LINE__, #cond); \
            fprintf(stderr, __VA_ARGS__);                              \
            fputc('\n', stderr);                                       \
            ++failures;                                                \
        }                                                              \
    } while (0)

static char photo_dir[1024], scratch_dir[1024];

static uint8_t* read_file(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    if (!file) return NULL;
    fseek(file, 0, SEEK_END);
    *size = (size_t)ftell(file);
    fseek(file, 0, SEEK_SET);
    uint8_t* bytes = malloc(*size ? *size : 1);
    if (fread(bytes, 1, *size, file) != *size) *size = 0;
    fclose(file);
    return bytes;
}

static uint8_t* load(const char* name, size_t* size) {
    char path[2048];
    snprintf(path, sizeof path, "%s/%s", photo_dir, name);
    return read_file(path, size);
}

/* The facts as exiftool reads them from the test photos. */
static const struct {
    const char *file, *make, *model, *date;
    int orientation, width, height;
    size_t thumbnail;
} facts[] = {
    {"canon-40d.jpg", "Canon", "Canon EOS 40D", "2008:05:30 15:56:01", 1, 100, 68, 1378},
    {"nikon-d70.jpg", "NIKON CORPORATION", "NIKON D70", "2008:03:15 09:52:01", 1, 100, 66, 1700},
    {"fujifilm-e500-no-thumbnail.jpg", "FUJIFILM", "FinePix E500", "2006:08:17 09:24:48", 1, 59, 100, 0},
    {"olympus-no-exif.jpg", "", "", "", 0, 640, 480, 0},
    {"kodak-dc240-mm.jpg", "EASTMAN KODAK COMPANY", "KODAK DC240 ZOOM DIGITAL CAMERA", "1999:05:25 21:00:09", 1, 640,
     480, 6934},
};

static void test_facts(void) {
    for (size_t i = 0; i < sizeof facts / sizeof facts[0]; ++i) {
        size_t size = 0;
        uint8_t* bytes = load(facts[i].file, &size);
        lvx_photo* photo = NULL;
        lvx_status status;
        EXPECT(lvx_photo_read_bytes(bytes, size, &photo, &status) == LVX_OK, "%s: %s", facts[i].file, status.message);
        if (photo) {
            EXPECT(strcmp(lvx_photo_make(photo), facts[i].make) == 0, "%s: %s", facts[i].file, lvx_photo_make(photo));
            EXPECT(strcmp(lvx_photo_model(photo), facts[i].model) == 0, "%s", facts[i].file);
            EXPECT(strcmp(lvx_photo_datetime_original(photo), facts[i].date) == 0, "%s", facts[i].file);
            EXPECT(lvx_photo_orientation(photo) == facts[i].orientation, "%s", facts[i].file);
            EXPECT(lvx_photo_width(photo) == facts[i].width && lvx_photo_height(photo) == facts[i].height, "%s",
                   facts[i].file);
            EXPECT(lvx_photo_size(photo) == size, "%s", facts[i].file);
            size_t thumb_size = 0;
            const uint8_t* thumb = lvx_photo_thumbnail(photo, &thumb_size);
            EXPECT(thumb_size == facts[i].thumbnail, "%s: %zu", facts[i].file, thumb_size);
            if (thumb_size > 0) {
                lvx_copy copy;
                EXPECT(lvx_photo_copy(photo, 0, &copy) == LVX_OK && strcmp(copy.kind, "exif") == 0, "%s",
                       facts[i].file);
                /* the copy's offset points at the thumbnail's bytes in the file */
                EXPECT(copy.length == thumb_size && copy.offset + copy.length <= size &&
                           memcmp(bytes + copy.offset, thumb, thumb_size) == 0,
                       "%s", facts[i].file);
            }
            EXPECT(lvx_photo_copy(photo, lvx_photo_copy_count(photo), &(lvx_copy){0}) == LVX_E_ARGUMENT, "%s",
                   facts[i].file);
        }
        lvx_photo_free(photo);
        free(bytes);
    }
}

static void test_edits_in_memory(void) {
    size_t size = 0, thumb_size = 0;
    uint8_t* canon = load("canon-40d.jpg", &size);
    uint8_t* donor = load("nikon-d70.jpg", &thumb_size);
    lvx_photo* nikon = NULL;
    lvx_photo_read_bytes(donor, thumb_size, &nikon, NULL);
    const uint8_t* new_thumb = lvx_photo_thumbnail(nikon, &thumb_size);

    uint8_t* replaced = NULL;
    size_t replaced_size = 0;
    lvx_status status;
    EXPECT(lvx_replace_thumbnail(canon, size, new_thumb, thumb_size, &replaced, &replaced_size, &status) == LVX_OK,
           "%s", status.message);
    EXPECT(status.changed == 1 && strcmp(status.outcome, "done") == 0, "%s", status.outcome);
    lvx_photo* after = NULL;
    EXPECT(lvx_photo_read_bytes(replaced, replaced_size, &after, NULL) == LVX_OK, "replaced photo unreadable");
    size_t after_size = 0;
    const uint8_t* after_thumb = lvx_photo_thumbnail(after, &after_size);
    EXPECT(after_size == thumb_size && memcmp(after_thumb, new_thumb, thumb_size) == 0, "thumbnail not put in");
    EXPECT(strcmp(lvx_photo_model(after), "Canon EOS 40D") == 0, "other fields lost");
    lvx_photo_free(after);

    uint8_t* deleted = NULL;
    size_t deleted_size = 0;
    EXPECT(lvx_delete_thumbnail(replaced, replaced_size, &deleted, &deleted_size, &status) == LVX_OK, "%s",
           status.message);
    after = NULL;
    lvx_photo_read_bytes(deleted, deleted_size, &after, NULL);
    EXPECT(after && lvx_photo_thumbnail(after, &after_size) == NULL && after_size == 0, "thumbnail not removed");
    lvx_photo_free(after);

    /* nothing to do: the same bytes come back */
    uint8_t* again = NULL;
    size_t again_size = 0;
    EXPECT(lvx_delete_thumbnail(deleted, deleted_size, &again, &again_size, &status) == LVX_OK, "%s", status.message);
    EXPECT(strcmp(status.outcome, "nothing to do") == 0 && status.changed == 0, "%s", status.outcome);
    EXPECT(again_size == deleted_size && memcmp(again, deleted, deleted_size) == 0, "bytes changed");

    uint8_t* regenerated = NULL;
    size_t regenerated_size = 0;
    lvx_regenerate_options options = {80, 60, 0};
    EXPECT(lvx_regenerate(deleted, deleted_size, &options, &regenerated, &regenerated_size, &status) == LVX_OK, "%s",
           status.message);
    lvx_check* check = NULL;
    EXPECT(lvx_check_bytes(regenerated, regenerated_size, &check, &status) == LVX_OK, "%s", status.message);
    double score = 0;
    EXPECT(strcmp(lvx_check_verdict(check), "fresh") == 0 && lvx_check_score(check, &score) == 1 && score > 0.9,
           "%s %f", lvx_check_verdict(check), score);
    lvx_checked_copy copy;
    EXPECT(lvx_check_copy(check, 0, &copy) == LVX_OK && strcmp(copy.kind, "exif") == 0 && copy.has_score, "copy");
    lvx_check_free(check);

    /* the donor's thumbnail shows another picture: stale */
    check = NULL;
    EXPECT(lvx_check_bytes(replaced, replaced_size, &check, &status) == LVX_OK, "%s", status.message);
    EXPECT(check && strcmp(lvx_check_verdict(check), "stale") == 0, "%s", check ? lvx_check_verdict(check) : "-");
    lvx_check_free(check);

    lvx_free(replaced), lvx_free(deleted), lvx_free(again), lvx_free(regenerated);
    lvx_photo_free(nikon);
    free(canon), free(donor);
}

static void test_errors(void) {
    static const uint8_t not_jpeg[] = "GIF89a not a photo";
    static const uint8_t thumb[] = {0xFF, 0xD8, 0xFF, 0xD9};
    const struct {
        const uint8_t* photo;
        size_t size;
        int code;
    } cases[] = {
        {not_jpeg, sizeof not_jpeg, LVX_E_FAILED},
        {not_jpeg, 0, LVX_E_FAILED},
        {NULL, 10, LVX_E_ARGUMENT},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        lvx_status status;
        uint8_t* out = (uint8_t*)1;
        size_t out_size = 7;
        int code = lvx_replace_thumbnail(cases[i].photo, cases[i].size, thumb, sizeof thumb, &out, &out_size, &status);
        EXPECT(code == cases[i].code && status.code == code, "case %zu: %d %s", i, code, status.message);
        EXPECT(out == NULL && out_size == 0, "case %zu: output left set", i);
        EXPECT(strlen(status.message) > 0, "case %zu: no message", i);
        lvx_photo* photo = (lvx_photo*)1;
        EXPECT(lvx_photo_read_bytes(cases[i].photo, cases[i].size, &photo, NULL) == cases[i].code, "case %zu", i);
        EXPECT(photo == NULL || cases[i].photo == NULL, "case %zu: handle on failure", i);
    }
    lvx_status status;
    lvx_photo* photo = NULL;
    EXPECT(lvx_photo_read_path("/nonexistent/photo.jpg", &photo, &status) == LVX_E_FAILED && photo == NULL, "%s",
           status.message);
    size_t canon_size = 0;
    uint8_t* canon = load("canon-40d.jpg", &canon_size);
    lvx_edit* edit = NULL;
    uint8_t room[16];
    EXPECT(lvx_edit_delete_thumbnail(canon, canon_size, &edit, &status) == LVX_OK, "%s", status.message);
    EXPECT(lvx_edit_write(edit, canon, canon_size, room, sizeof room, &status) == LVX_E_ARGUMENT, "small buffer");
    EXPECT(lvx_edit_write(edit, canon, sizeof room, room, sizeof room, &status) == LVX_E_ARGUMENT, "other photo");
    lvx_edit_free(edit);
    free(canon);
    lvx_regenerate_options too_big = {4000, 120, 85};
    uint8_t* out = NULL;
    size_t out_size = 0;
    EXPECT(lvx_regenerate(thumb, sizeof thumb, &too_big, &out, &out_size, &status) == LVX_E_ARGUMENT, "box");
}

static void test_path_edits(void) {
    size_t size = 0;
    uint8_t* bytes = load("nikon-d70.jpg", &size);
    char path[2048], backup[2100];
    snprintf(path, sizeof path, "%s/c-api-photo.jpg", scratch_dir);
    snprintf(backup, sizeof backup, "%s.orig", path);
    remove(backup);
    FILE* file = fopen(path, "wb");
    fwrite(bytes, 1, size, file);
    fclose(file);

    lvx_status status;
    EXPECT(lvx_delete_thumbnail_path(path, LVX_DRY_RUN, &status) == LVX_OK && status.changed, "%s", status.message);
    struct stat info;
    EXPECT(stat(backup, &info) != 0, "a dry run wrote a backup");
    EXPECT(lvx_delete_thumbnail_path(path, 0, &status) == LVX_OK, "%s", status.message);
    EXPECT(stat(backup, &info) == 0 && (size_t)info.st_size == size, "no backup of the original");
    lvx_photo* photo = NULL;
    EXPECT(lvx_photo_read_path(path, &photo, &status) == LVX_OK, "%s", status.message);
    size_t thumb_size = 1;
    EXPECT(lvx_photo_thumbnail(photo, &thumb_size) == NULL, "thumbnail still there");
    lvx_photo_free(photo);
    EXPECT(lvx_regenerate_path(path, NULL, LVX_NO_BACKUP, &status) == LVX_OK, "%s", status.message);
    lvx_check* check = NULL;
    EXPECT(lvx_check_path(path, &check, &status) == LVX_OK && strcmp(lvx_check_verdict(check), "fresh") == 0, "%s",
           status.message);
    lvx_check_free(check);
    free(bytes);
}

/* An edit of bytes in memory gives what the same edit of a file gives: outcome, route, message and every byte. */
/* A minimal Exif block made on a file is dated from it; one made on bytes from no file leaves the date blank. */
static int same_but_date(const uint8_t* in_memory, size_t size, const uint8_t* on_file, size_t file_size) {
    static const char blank[] = "    :  :     :  :  ";
    if (size != file_size) return 0;
    for (size_t i = 0; i + 19 <= size; ++i) {
        if (memcmp(in_memory + i, blank, 19) == 0) {
            return memcmp(in_memory, on_file, i) == 0 &&
                   memcmp(in_memory + i + 19, on_file + i + 19, size - i - 19) == 0;
        }
    }
    return memcmp(in_memory, on_file, size) == 0;
}

static void test_bytes_match_files(void) {
    size_t donor_size = 0;
    uint8_t* donor = load("canon-40d.jpg", &donor_size);
    lvx_photo* canon = NULL;
    lvx_photo_read_bytes(donor, donor_size, &canon, NULL);
    size_t thumb_size = 0;
    const uint8_t* thumb = canon ? lvx_photo_thumbnail(canon, &thumb_size) : NULL;
    const struct {
        const char* file;
        int replace;
        int percent; /* of the photo kept: below 100 cuts its image data short */
    } cases[] = {
        {"canon-40d.jpg", 0, 100},
        {"nikon-d70.jpg", 1, 100},
        {"kodak-dc240-mm.jpg", 1, 100},
        {"kodak-dc240-mm.jpg", 0, 100},
        {"fujifilm-e500-no-thumbnail.jpg", 0, 100},
        {"fujifilm-e500-no-thumbnail.jpg", 1, 100},
        {"olympus-no-exif.jpg", 1, 100},
        {"xmp-bluesquare.jpg", 0, 100},
        {"nikon-gps.jpg", 1, 60},
        {"canon-40d.jpg", 0, 1},
    };
    char path[2048];
    snprintf(path, sizeof path, "%s/c-api-same.jpg", scratch_dir);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        size_t size = 0;
        uint8_t* bytes = load(cases[i].file, &size);
        size = size * (size_t)cases[i].percent / 100;
        FILE* file = fopen(path, "wb");
        fwrite(bytes, 1, size, file);
        fclose(file);
        lvx_status on_file, in_memory;
        const int file_code = cases[i].replace
                                  ? lvx_replace_thumbnail_path(path, thumb, thumb_size, LVX_NO_BACKUP, &on_file)
                                  : lvx_delete_thumbnail_path(path, LVX_NO_BACKUP, &on_file);
        uint8_t* out = NULL;
        size_t out_size = 0;
        const int code = cases[i].replace
                             ? lvx_replace_thumbnail(bytes, size, thumb, thumb_size, &out, &out_size, &in_memory)
                             : lvx_delete_thumbnail(bytes, size, &out, &out_size, &in_memory);
        EXPECT(code == file_code && in_memory.changed == on_file.changed, "case %zu: %d %d", i, code, file_code);
        EXPECT(strcmp(in_memory.outcome, on_file.outcome) == 0 && strcmp(in_memory.route, on_file.route) == 0,
               "case %zu: %s (%s) against %s (%s)", i, in_memory.outcome, in_memory.route, on_file.outcome,
               on_file.route);
        EXPECT(strcmp(in_memory.message, on_file.message) == 0, "case %zu: '%s' against '%s'", i, in_memory.message,
               on_file.message);
        size_t written_size = 0;
        uint8_t* written = read_file(path, &written_size);
        if (code == LVX_OK) {
            EXPECT(out && same_but_date(out, out_size, written, written_size), "case %zu: bytes differ", i);
        }
        /* Planned, then written into the caller's buffer: the same result and the same bytes. */
        lvx_edit* edit = NULL;
        lvx_status planned;
        const int plan_code = cases[i].replace
                                  ? lvx_edit_replace_thumbnail(bytes, size, thumb, thumb_size, &edit, &planned)
                                  : lvx_edit_delete_thumbnail(bytes, size, &edit, &planned);
        EXPECT(
            plan_code == code && (edit != NULL) == (code == LVX_OK) && strcmp(planned.message, in_memory.message) == 0,
            "case %zu: planned %d '%s'", i, plan_code, planned.message);
        if (edit != NULL) {
            uint8_t* mine = malloc(lvx_edit_size(edit) + 1);
            EXPECT(lvx_edit_write(edit, bytes, size, mine, lvx_edit_size(edit), &planned) == LVX_OK &&
                       lvx_edit_size(edit) == out_size && memcmp(mine, out, out_size) == 0,
                   "case %zu: written bytes differ", i);
            free(mine);
        }
        lvx_edit_free(edit);
        lvx_free(out);
        free(written), free(bytes);
    }
    lvx_photo_free(canon);
    free(donor);
}

static void test_job(void) {
    const char* args[] = {"check", "--json", photo_dir};
    lvx_job* job = NULL;
    lvx_status status;
    EXPECT(lvx_job_new(args, 3, &job, &status) == LVX_OK, "%s", status.message);
    size_t count = 0;
    EXPECT(lvx_job_list(job, &count, &status) == LVX_OK && count == 1, "%zu", count);
    lvx_job_photo photo;
    /* a folder without -r is decided before any work */
    EXPECT(lvx_job_photo_at(job, 0, &photo) == LVX_OK && photo.ready_line != NULL, "no ready line");
    lvx_job_free(job);

    char path[2048];
    snprintf(path, sizeof path, "%s/canon-40d.jpg", photo_dir);
    const char* check_args[] = {"check", path};
    EXPECT(lvx_job_new(check_args, 2, &job, &status) == LVX_OK, "%s", status.message);
    char* line = NULL;
    int failed = 1;
    EXPECT(lvx_job_run(job, path, NULL, &line, &failed, &status) == LVX_OK && failed == 0, "%s", status.message);
    EXPECT(line && strstr(line, "\"verdict\": \"fresh\"") != NULL, "%s", line ? line : "-");
    lvx_free(line);
    lvx_job_free(job);

    const char* bad[] = {"frobnicate"};
    EXPECT(lvx_job_new(bad, 1, &job, &status) == LVX_E_ARGUMENT && job == NULL && status.message[0], "bad command");
}

int main(int argc, char** argv) {
    if (argc != 3) return fprintf(stderr, "usage: c_api_test PHOTO_DIR SCRATCH_DIR\n"), 2;
    snprintf(photo_dir, sizeof photo_dir, "%s", argv[1]);
    snprintf(scratch_dir, sizeof scratch_dir, "%s", argv[2]);
    EXPECT(strcmp(lvx_version(), "1.0.0") >= 0, "%s", lvx_version());
    test_facts();
    test_edits_in_memory();
    test_errors();
    test_path_edits();
    test_bytes_match_files();
    test_job();
    if (failures)
        fprintf(stderr, "%d failures\n", failures);
    else
        printf("c_api_test: all passed\n");
    return failures ? 1 : 0;
}
