// The C entry points: arguments checked, every exception stopped at the boundary, results copied into
// memory the caller frees with the library's own functions.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "lib/c_status.h"
#include "lib/engine_bridge.h"
#include "lumivex/lumivex.h"

using namespace lumivex::lib;

struct lvx_photo {
    PhotoFacts facts;
};

struct lvx_check {
    CheckValue value;
};

struct lvx_edit {
    PlannedEdit planned;
};

namespace {

std::span<const uint8_t> bytesOf(const uint8_t* data, size_t size) { return {data, size}; }

int readPhoto(lvx_photo** photo, lvx_status* status, const std::function<Outcome(PhotoFacts&)>& read) {
    return guarded(status, [&] {
        if (photo == nullptr) return argumentError("no place for the photo given");
        *photo = nullptr;
        auto made = std::make_unique<lvx_photo>();
        const Outcome outcome = read(made->facts);
        if (outcome.code == LVX_OK) *photo = made.release();
        return outcome;
    });
}

int editInMemory(const uint8_t* photo, size_t photoSize, const EditOptions& options, uint8_t** out, size_t* outSize,
                 lvx_status* status) {
    return guarded(status, [&] {
        if (out == nullptr || outSize == nullptr) return argumentError("no place for the new photo given");
        *out = nullptr;
        *outSize = 0;
        if (photo == nullptr) return argumentError("no photo bytes given");
        MallocBytes edited;
        const Outcome outcome = editBytes(bytesOf(photo, photoSize), options, edited);
        if (outcome.code != LVX_OK) return outcome;
        *outSize = edited.size;
        *out = edited.release();
        return outcome;
    });
}

int planEdit(const uint8_t* photo, size_t photoSize, const EditOptions& options, lvx_edit** edit, lvx_status* status) {
    return guarded(status, [&] {
        if (edit == nullptr) return argumentError("no place for the edit given");
        *edit = nullptr;
        if (photo == nullptr) return argumentError("no photo bytes given");
        auto made = std::make_unique<lvx_edit>();
        const Outcome outcome = planBytes(bytesOf(photo, photoSize), options, made->planned);
        if (outcome.code == LVX_OK) *edit = made.release();
        return outcome;
    });
}

EditOptions regenerateOptions(const lvx_regenerate_options* options) {
    EditOptions edit;
    edit.edit = Edit::Regenerate;
    if (options != nullptr) {
        if (options->box_width > 0) edit.boxWidth = options->box_width;
        if (options->box_height > 0) edit.boxHeight = options->box_height;
        if (options->quality > 0) edit.quality = options->quality;
    }
    return edit;
}

// The same limits the tool's command line sets.
Outcome regenerateProblem(const EditOptions& options) {
    if (options.boxWidth > 1024 || options.boxHeight > 1024) return argumentError("the box is at most 1024x1024");
    if (options.quality > 100) return argumentError("the quality is 1 to 100");
    return {};
}

int checkPhoto(lvx_check** check, lvx_status* status, const std::function<Outcome(CheckValue&)>& run) {
    return guarded(status, [&] {
        if (check == nullptr) return argumentError("no place for the result given");
        *check = nullptr;
        auto made = std::make_unique<lvx_check>();
        const Outcome outcome = run(made->value);
        if (outcome.code == LVX_OK) *check = made.release();
        return outcome;
    });
}

const char* text(const std::string* value) { return value == nullptr ? "" : value->c_str(); }

}  // namespace

extern "C" {

const char* lvx_version(void) { return "1.0.0"; }

void lvx_free(void* pointer) { std::free(pointer); }

int lvx_photo_read_path(const char* path, lvx_photo** photo, lvx_status* status) {
    if (path == nullptr) return report(status, argumentError("no path given"));
    return readPhoto(photo, status, [&](PhotoFacts& facts) { return readFacts(std::string(path), facts); });
}

int lvx_photo_read_bytes(const uint8_t* data, size_t size, lvx_photo** photo, lvx_status* status) {
    if (data == nullptr) return report(status, argumentError("no photo bytes given"));
    return readPhoto(photo, status, [&](PhotoFacts& facts) { return readFacts(bytesOf(data, size), facts); });
}

void lvx_photo_free(lvx_photo* photo) { delete photo; }

const char* lvx_photo_make(const lvx_photo* photo) { return text(photo ? &photo->facts.make : nullptr); }
const char* lvx_photo_model(const lvx_photo* photo) { return text(photo ? &photo->facts.model : nullptr); }
const char* lvx_photo_datetime_original(const lvx_photo* photo) {
    return text(photo ? &photo->facts.dateTimeOriginal : nullptr);
}
int lvx_photo_orientation(const lvx_photo* photo) { return photo ? photo->facts.orientation : 0; }
int lvx_photo_width(const lvx_photo* photo) { return photo ? photo->facts.width : 0; }
int lvx_photo_height(const lvx_photo* photo) { return photo ? photo->facts.height : 0; }
uint64_t lvx_photo_size(const lvx_photo* photo) { return photo ? photo->facts.size : 0; }

const uint8_t* lvx_photo_thumbnail(const lvx_photo* photo, size_t* size) {
    const bool has = photo != nullptr && !photo->facts.thumbnail.empty();
    if (size != nullptr) *size = has ? photo->facts.thumbnail.size() : 0;
    return has ? photo->facts.thumbnail.data() : nullptr;
}

size_t lvx_photo_copy_count(const lvx_photo* photo) { return photo ? photo->facts.copies.size() : 0; }

int lvx_photo_copy(const lvx_photo* photo, size_t index, lvx_copy* copy) {
    if (photo == nullptr || copy == nullptr || index >= photo->facts.copies.size()) return LVX_E_ARGUMENT;
    const CopyFacts& facts = photo->facts.copies[index];
    *copy = {facts.kind.c_str(), facts.name.c_str(), facts.offset, facts.length};
    return LVX_OK;
}

int lvx_replace_thumbnail(const uint8_t* photo, size_t photoSize, const uint8_t* thumbnail, size_t thumbnailSize,
                          uint8_t** out, size_t* outSize, lvx_status* status) {
    if (thumbnail == nullptr || thumbnailSize == 0) return report(status, argumentError("no thumbnail bytes given"));
    EditOptions options;
    options.edit = Edit::Replace;
    options.thumbnail = bytesOf(thumbnail, thumbnailSize);
    return editInMemory(photo, photoSize, options, out, outSize, status);
}

int lvx_delete_thumbnail(const uint8_t* photo, size_t photoSize, uint8_t** out, size_t* outSize, lvx_status* status) {
    return editInMemory(photo, photoSize, EditOptions{}, out, outSize, status);
}

int lvx_edit_replace_thumbnail(const uint8_t* photo, size_t photoSize, const uint8_t* thumbnail, size_t thumbnailSize,
                               lvx_edit** edit, lvx_status* status) {
    if (thumbnail == nullptr || thumbnailSize == 0) return report(status, argumentError("no thumbnail bytes given"));
    EditOptions options;
    options.edit = Edit::Replace;
    options.thumbnail = bytesOf(thumbnail, thumbnailSize);
    return planEdit(photo, photoSize, options, edit, status);
}

int lvx_edit_delete_thumbnail(const uint8_t* photo, size_t photoSize, lvx_edit** edit, lvx_status* status) {
    return planEdit(photo, photoSize, EditOptions{}, edit, status);
}

size_t lvx_edit_size(const lvx_edit* edit) { return edit ? static_cast<size_t>(edit->planned.size) : 0; }

int lvx_edit_write(const lvx_edit* edit, const uint8_t* photo, size_t photoSize, uint8_t* out, size_t outSize,
                   lvx_status* status) {
    if (edit == nullptr || photo == nullptr || out == nullptr) {
        return report(status, argumentError("no edit, photo or buffer given"));
    }
    if (photoSize != edit->planned.sourceSize) {
        return report(status, argumentError("not the photo the edit was planned on"));
    }
    if (outSize < edit->planned.size) return report(status, argumentError("the buffer is too small for the photo"));
    return guarded(status, [&] {
        writePlanned(bytesOf(photo, photoSize), edit->planned, {out, outSize});
        return edit->planned.outcome;
    });
}

void lvx_edit_free(lvx_edit* edit) { delete edit; }

int lvx_regenerate(const uint8_t* photo, size_t photoSize, const lvx_regenerate_options* options, uint8_t** out,
                   size_t* outSize, lvx_status* status) {
    const EditOptions edit = regenerateOptions(options);
    const Outcome problem = regenerateProblem(edit);
    if (problem.code != LVX_OK) return report(status, problem);
    return editInMemory(photo, photoSize, edit, out, outSize, status);
}

int lvx_replace_thumbnail_path(const char* photoPath, const uint8_t* thumbnail, size_t thumbnailSize, int flags,
                               lvx_status* status) {
    if (photoPath == nullptr) return report(status, argumentError("no path given"));
    if (thumbnail == nullptr || thumbnailSize == 0) return report(status, argumentError("no thumbnail bytes given"));
    EditOptions options;
    options.edit = Edit::Replace;
    options.thumbnail = bytesOf(thumbnail, thumbnailSize);
    options.keepBackup = (flags & LVX_NO_BACKUP) == 0;
    options.dryRun = (flags & LVX_DRY_RUN) != 0;
    return guarded(status, [&] { return editPath(photoPath, options); });
}

int lvx_delete_thumbnail_path(const char* photoPath, int flags, lvx_status* status) {
    if (photoPath == nullptr) return report(status, argumentError("no path given"));
    EditOptions options;
    options.keepBackup = (flags & LVX_NO_BACKUP) == 0;
    options.dryRun = (flags & LVX_DRY_RUN) != 0;
    return guarded(status, [&] { return editPath(photoPath, options); });
}

int lvx_regenerate_path(const char* photoPath, const lvx_regenerate_options* options, int flags, lvx_status* status) {
    if (photoPath == nullptr) return report(status, argumentError("no path given"));
    EditOptions edit = regenerateOptions(options);
    const Outcome problem = regenerateProblem(edit);
    if (problem.code != LVX_OK) return report(status, problem);
    edit.keepBackup = (flags & LVX_NO_BACKUP) == 0;
    edit.dryRun = (flags & LVX_DRY_RUN) != 0;
    return guarded(status, [&] { return editPath(photoPath, edit); });
}

int lvx_check_path(const char* photoPath, lvx_check** check, lvx_status* status) {
    if (photoPath == nullptr) return report(status, argumentError("no path given"));
    return checkPhoto(check, status, [&](CheckValue& value) { return checkPath(photoPath, value); });
}

int lvx_check_bytes(const uint8_t* photo, size_t photoSize, lvx_check** check, lvx_status* status) {
    if (photo == nullptr) return report(status, argumentError("no photo bytes given"));
    return checkPhoto(check, status, [&](CheckValue& value) { return checkBytes(bytesOf(photo, photoSize), value); });
}

void lvx_check_free(lvx_check* check) { delete check; }
const char* lvx_check_verdict(const lvx_check* check) { return text(check ? &check->value.verdict : nullptr); }
const char* lvx_check_reason(const lvx_check* check) { return text(check ? &check->value.reason : nullptr); }

int lvx_check_score(const lvx_check* check, double* score) {
    if (check == nullptr || !check->value.hasScore) return 0;
    if (score != nullptr) *score = check->value.score;
    return 1;
}

size_t lvx_check_copy_count(const lvx_check* check) { return check ? check->value.copies.size() : 0; }

int lvx_check_copy(const lvx_check* check, size_t index, lvx_checked_copy* copy) {
    if (check == nullptr || copy == nullptr || index >= check->value.copies.size()) return LVX_E_ARGUMENT;
    const CheckedCopy& c = check->value.copies[index];
    *copy = {c.copy.kind.c_str(), c.copy.name.c_str(), c.verdict.c_str(),
             c.reason.c_str(),    c.hasScore ? 1 : 0,  c.score};
    return LVX_OK;
}

}  // extern "C"
