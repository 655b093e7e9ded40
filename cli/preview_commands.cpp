#include "cli/preview_commands.h"

#include <algorithm>
#include <climits>

#include "cli/check_command.h"
#include "cli/embedded_previews.h"
#include "cli/photo_metadata.h"
#include "cli/preview_check.h"
#include "cli/preview_writer.h"
#include "cli/regenerate_command.h"
#include "imaging/image.h"
#include "lumivex/file_services.h"
#include "lumivex/photo.h"
#include "lumivex/photo_edit.h"
#include "lumivex/thumbnail_file.h"

namespace lumivex::cli {

namespace {

constexpr int kLowestQuality = 5;
constexpr uint64_t kSegmentPayload = 0xFFFF - 2;
constexpr uint64_t kMaxCopyPixels = uint64_t{4096} * 4096;  // a hostile size must not make the rebuild take gigabytes
constexpr int kDefaultWidth = 160;                          // for a copy that does not say its size
constexpr int kDefaultHeight = 120;

bool wantsStale(const std::vector<std::string>& words) {
    return std::find(words.begin(), words.end(), "stale") != words.end();
}

// Kinds named, with "stale" alone or nothing meaning every kind.
bool selected(const std::vector<std::string>& words, PreviewKind kind) {
    const bool onlyStale = words.empty() || (words.size() == 1 && words[0] == "stale");
    return onlyStale || kindSelected(words, kind);
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "; ") + line;
    return text;
}

// The bytes a new copy may take: what its holder can hold once its old bytes are gone.
uint64_t roomFor(const PhotoPreviews& photo, const previews::FoundPreview& found) {
    const PreviewCopy& copy = found.copy;
    uint64_t segmentPayload = 0;
    for (const SegmentEntry& segment : photo.map.segments) {
        if (segment.offset == found.segmentOffset) segmentPayload = segment.length - 2;
    }
    const uint64_t others = segmentPayload > copy.length ? segmentPayload - copy.length : 0;
    const uint64_t left = kSegmentPayload > others ? kSegmentPayload - others : 0;
    switch (copy.kind) {
        case PreviewKind::MakerNote:
            return copy.length;
        case PreviewKind::Xmp:
            return left * 3 / 4 > 16 ? left * 3 / 4 - 16 : 0;  // base64, and a few digits of size
        case PreviewKind::Photoshop:
        case PreviewKind::Jfxx:
            return left > 8 ? left - 8 : 0;
        default:
            return UINT64_MAX;
    }
}

// The picture at the copy's size, in its kind's form: JPEG (BGR for the old Photoshop resource) or pixels.
bool makeCopy(const PhotoPreviews& photo, const imaging::DecodedImage& picture, const previews::FoundPreview& found,
              int quality, previews::PreviewEdit& edit, std::string& why) {
    const PreviewCopy& copy = found.copy;
    imaging::Size size{copy.width, copy.height};
    if (uint64_t(size.width) * uint64_t(size.height) > kMaxCopyPixels) {
        why = "left alone: it says it is " + std::to_string(size.width) + "x" + std::to_string(size.height) +
              ", larger than any copy of a picture";
        return false;
    }
    if (size.width <= 0 || size.height <= 0) {
        size = imaging::fitInBox(picture.sourceWidth, picture.sourceHeight, kDefaultWidth, kDefaultHeight);
    }
    imaging::Image image = imaging::resizeArea(picture.image, size.width, size.height);
    if (image.channels == 1) {  // a grey photo: its copies as RGB where their form has no grey
        imaging::Image rgb{image.width, image.height, 3, {}};
        for (uint8_t v : image.pixels) rgb.pixels.insert(rgb.pixels.end(), {v, v, v});
        if (copy.kind == PreviewKind::Jfxx || copy.format == "bgr") image = std::move(rgb);
    }
    if (copy.kind == PreviewKind::Jfxx && copy.format != "jpeg") {
        edit.raw = image.pixels;
        return true;
    }
    if (copy.format == "bgr") {
        for (size_t i = 0; i + 2 < image.pixels.size(); i += 3) std::swap(image.pixels[i], image.pixels[i + 2]);
    }
    const uint64_t room = roomFor(photo, found);
    for (int q = quality; q >= kLowestQuality; q -= 5) {
        imaging::EncodedJpeg encoded = imaging::encodeBaselineJpeg(image, q);
        if (!encoded.ok()) {
            why = encoded.error;
            return false;
        }
        if (encoded.bytes.size() <= room) {
            edit.jpeg = std::move(encoded.bytes);
            return true;
        }
    }
    why = "left alone: even at quality " + std::to_string(kLowestQuality) + " a new copy does not fit in its " +
          std::to_string(room) + " bytes" +
          (copy.kind == PreviewKind::MakerNote ? "; maker-note data never moves" : "");
    return false;
}

// The kind and index of every copy check calls stale.
std::vector<std::pair<PreviewKind, int>> staleCopies(const std::string& photo, bool followLinks) {
    std::vector<std::pair<PreviewKind, int>> stale;
    const CheckResult checked = checkPhoto(photo, followLinks);
    if (checked.exif && checked.exif->verdict == "stale") stale.emplace_back(PreviewKind::Exif, 0);
    for (const CopyVerdict& v : checked.copies) {
        if (v.verdict == "stale") stale.emplace_back(v.copy.kind, v.copy.index);
    }
    return stale;
}

bool isStale(const std::vector<std::pair<PreviewKind, int>>& stale, PreviewKind kind, int index) {
    return std::find(stale.begin(), stale.end(), std::make_pair(kind, index)) != stale.end();
}

// The Exif thumbnail's part of an edit of several copies: its segment's new bytes, or why there are none.
struct ExifPart {
    std::vector<Splice> splices;  // the Exif segment's new bytes, when planned
    EditOutcome outcome = EditOutcome::NothingToDo;
    std::string message;  // what is done to it, or why not
    std::string route;
    std::string reports;  // the engine's report lines while reading the photo
};

struct CopiesOutcome {
    bool wrote = false;
    bool failed = false;
    ExifPart exif;
    std::vector<std::string> done, refused;
    std::string error;
    uint64_t sizeBefore = 0, sizeAfter = 0;
};

// Where and how a plan of several copies is written.
struct WriteOptions {
    bool keepBackup = true;
    bool dryRun = false;
    bool followLinks = false;
    bool inPlace = false;
};

// Plans the Exif thumbnail's edit and the other copies' edits under the photo's lock, as one plan, and writes
// it (unless dry run) in one replacement: one backup, one rename.
template <typename PlanExif, typename MakeEdits>
CopiesOutcome editCopies(const std::string& path, const WriteOptions& options, PlanExif planExif, MakeEdits makeEdits) {
    CopiesOutcome outcome;
    LockedPhoto locked;
    std::string why;
    if (!openAndReadPhoto(path, locked, why, options.followLinks, options.inPlace)) {
        outcome.failed = true;
        outcome.error = why;
        return outcome;
    }
    outcome.sizeBefore = outcome.sizeAfter = locked.bytes.size();
    PhotoPreviews photo = previewsOfBytes(std::move(locked.bytes));
    if (!photo.ok()) {
        outcome.failed = true;
        outcome.error = photo.error;
        return outcome;
    }
    planExif(photo, outcome.exif);
    std::vector<previews::PreviewEdit> edits;
    makeEdits(photo, edits, outcome.refused);
    if (edits.empty() && outcome.exif.splices.empty()) return outcome;
    const bool exifPlanned = !outcome.exif.splices.empty();
    const previews::PlannedEdits planned =
        previews::planPreviewEdits(photo.bytes, photo.map, edits, std::move(outcome.exif.splices));
    outcome.done = planned.done;
    outcome.refused.insert(outcome.refused.end(), planned.refused.begin(), planned.refused.end());
    if (exifPlanned && planned.plan.splices.empty()) {
        outcome.exif.outcome = EditOutcome::Refused;
        outcome.exif.message = "not done: its segment overlaps another copy's edit";
    }
    if (planned.plan.splices.empty()) return outcome;
    if (!planIsValid(planned.plan, why)) {
        outcome.failed = true;
        outcome.error = "the edit plan does not fit the photo: " + why;
        return outcome;
    }
    outcome.sizeAfter = plannedSize(planned.plan);
    if (options.dryRun) return outcome;
    if (!replacePhotoByPlan(locked, planned.plan, options.keepBackup, why, options.inPlace)) {
        outcome.failed = true;
        outcome.error = why;
        return outcome;
    }
    outcome.wrote = true;
    if (options.keepBackup && !locked.file.backupName.empty() && locked.file.backupName != locked.file.name + ".orig") {
        outcome.done.push_back("'" + locked.file.name + ".orig' is not this photo's earlier version: its backup is '" +
                               locked.file.backupName + "'");
    }
    return outcome;
}

// The Exif thumbnail planned over the photo as a value: replaced by thumbnail, or removed when it is empty.
void planExifEdit(const std::string& path, const PhotoPreviews& photo, const std::vector<uint8_t>* thumbnail,
                  ExifPart& exif) {
    Photo value;
    std::string why;
    const bool read = readPhoto(photo.bytes, path, value, why);
    exif.reports += value.reports;
    if (!read) {
        exif.outcome = EditOutcome::Failed;
        exif.message = "not a JPEG photo that can be read whole (" + why + ")";
        return;
    }
    EditPlan plan = thumbnail != nullptr ? planReplace(value, *thumbnail) : planDelete(value);
    exif.route = plan.route;
    switch (plan.outcome) {
        case EditPlan::Outcome::Planned:
            exif.outcome = EditOutcome::Done;
            exif.splices = std::move(plan.splices.splices);
            return;
        case EditPlan::Outcome::NothingToDo:
            exif.outcome = EditOutcome::NothingToDo;
            exif.message = plan.why;
            return;
        case EditPlan::Outcome::Refused:
            break;
    }
    exif.outcome = EditOutcome::Refused;
    exif.message = plan.why;
}

}  // namespace

PhotoResult exportPreview(const std::string& photoPath, const std::string& out, const std::string& spec, bool overwrite,
                          bool dryRun) {
    PhotoResult result = toolResult(photoPath, "export", "failed", "");
    result.dryRun = dryRun;
    PreviewKind kind = PreviewKind::Exif;
    int index = 0;
    parsePreviewSpec(spec, kind, index);
    const PhotoPreviews photo = readPhotoPreviews(photoPath);
    if (!photo.ok()) {
        result.message = photo.error;
        return result;
    }
    const auto found = std::find_if(photo.scan.found.begin(), photo.scan.found.end(),
                                    [&](const auto& f) { return f.copy.kind == kind && f.copy.index == index; });
    if (found == photo.scan.found.end()) {
        result.outcome = "nothing to do";
        result.failed = false;
        result.message = "no " + spec + " copy";
        return result;
    }
    std::string why;
    std::vector<uint8_t> bytes = previews::previewBytes(photo.bytes, *found, why);
    if (bytes.empty() && found->copy.kind == PreviewKind::Jfxx) {
        const imaging::DecodedImage pixels = decodeCopy(photo, *found, INT_MAX, INT_MAX);
        imaging::EncodedJpeg encoded =
            pixels.ok() ? imaging::encodeBaselineJpeg(pixels.image, 95) : imaging::EncodedJpeg{};
        bytes = std::move(encoded.bytes);
    }
    if (bytes.empty()) {
        result.outcome = "refused";
        result.failed = true;
        result.message = "cannot export " + previews::describeCopy(found->copy) + ": " + why;
        return result;
    }
    result.sizeAfter = bytes.size();
    if (out != "-" && platform::sameFile(out.c_str(), photoPath.c_str())) {
        result.outcome = "refused";
        result.failed = true;
        result.message = "will not write the copy over the photo itself";
        return result;
    }
    if (dryRun) {
        result.outcome = "done";
        result.failed = false;
        result.message = "would write " + previews::describeCopy(found->copy);
        return result;
    }
    if (!writeThumbnailFile(bytes.data(), bytes.size(), out.c_str(), overwrite, why)) {
        result.failed = true;
        result.outcome = "failed";
        result.message = why;
        return result;
    }
    result.outcome = "done";
    result.failed = false;
    result.message = "wrote " + previews::describeCopy(found->copy) + ", " + std::to_string(bytes.size()) + " bytes";
    return result;
}

EditResult regenerateWithPreviews(const std::string& path, const RegenerateOptions& options,
                                  const std::vector<std::string>& words) {
    const bool onlyStale = wantsStale(words);
    const auto stale = onlyStale ? staleCopies(path, options.followLinks) : std::vector<std::pair<PreviewKind, int>>{};
    const bool exif = selected(words, PreviewKind::Exif) && (!onlyStale || isStale(stale, PreviewKind::Exif, 0));
    std::string made;
    const WriteOptions write{options.keepBackup, options.dryRun, options.followLinks, options.inPlace};
    const auto planExif = [&](PhotoPreviews& photo, ExifPart& part) {
        if (!exif) return;
        PhotoBytes held;  // the bytes lent for the metadata read, and given back
        held.bytes = std::move(photo.bytes);
        held.status.size = static_cast<int64_t>(held.bytes.size());
        const PhotoMetadata meta = readPhotoMetadata(path, held);
        photo.bytes = std::move(held.bytes);
        part.reports = meta.reports;
        if (!meta.ok()) {
            part.outcome = EditOutcome::Failed;
            part.message = meta.error;
            return;
        }
        // No room at all: the plan itself says why (an uncompressed thumbnail, a second Exif segment...).
        constexpr uint64_t kAnySize = 65535;
        const NewThumbnail thumbnail =
            makeThumbnail(photo.bytes, options, meta.thumbnailRoom > 0 ? meta.thumbnailRoom : kAnySize);
        if (!thumbnail.error.empty()) {
            // One that cannot be made small enough is refused; one that cannot be made at all failed.
            part.outcome = thumbnail.tooLarge ? EditOutcome::Refused : EditOutcome::Failed;
            part.message = thumbnail.error;
            return;
        }
        planExifEdit(path, photo, &thumbnail.jpeg, part);
        made = "new thumbnail " + std::to_string(thumbnail.image.width) + "x" + std::to_string(thumbnail.image.height) +
               ", " + std::to_string(thumbnail.jpeg.size()) + " bytes, quality " + std::to_string(thumbnail.quality);
    };
    const auto makeEdits = [&](const PhotoPreviews& photo, auto& edits, auto& refused) {
        std::vector<const previews::FoundPreview*> targets;
        int largest = 0;
        for (const previews::FoundPreview& found : photo.scan.found) {
            const PreviewCopy& c = found.copy;
            if (c.kind == PreviewKind::Exif || c.kind == PreviewKind::FlashPix || c.role != PreviewRole::Picture) {
                continue;
            }
            if (!selected(words, c.kind) || (onlyStale && !isStale(stale, c.kind, c.index))) continue;
            targets.push_back(&found);
            largest = std::min(std::max({largest, c.width, c.height}), 4096);
        }
        if (targets.empty()) return;
        // The picture decoded once, at the smallest scale that still serves the largest copy.
        const int side = std::max(largest, kDefaultWidth);
        const imaging::DecodedImage picture = imaging::decodeJpegScaled(photo.bytes, side, side);
        for (const previews::FoundPreview* found : targets) {
            std::string why;
            previews::PreviewEdit edit{found, previews::PreviewAction::Rebuild, {}, {}};
            if (!picture.ok()) {
                refused.push_back(previews::describeCopy(found->copy) + ": the photo: " + picture.error);
            } else if (!makeCopy(photo, picture, *found, options.quality, edit, why)) {
                refused.push_back(previews::describeCopy(found->copy) + ": " + why);
            } else {
                edits.push_back(std::move(edit));
            }
        }
    };
    const CopiesOutcome copies = editCopies(path, write, planExif, makeEdits);
    EditResult result;
    result.outcome = EditOutcome::Done;
    result.reports = copies.exif.reports;
    result.route = copies.exif.route;
    result.sizeBefore = copies.sizeBefore;
    result.sizeAfter = copies.failed ? copies.sizeBefore : copies.sizeAfter;
    if (exif && copies.exif.outcome == EditOutcome::Done) {
        result.message = options.dryRun ? "would be replaced (" + copies.exif.route + "): " + made : made;
    } else if (exif && !copies.failed) {
        // A thumbnail that cannot be rebuilt fails the photo, but leaves no other stale copy behind.
        result.outcome = copies.exif.outcome == EditOutcome::NothingToDo ? EditOutcome::Done : copies.exif.outcome;
        result.message = "exif:0: " + copies.exif.message;
    }
    if (copies.failed) {
        result.outcome = EditOutcome::Failed;
        result.message += (result.message.empty() ? "" : "; ") + copies.error;
        return result;
    }
    if (!exif && copies.done.empty() && copies.refused.empty()) {
        result.outcome = EditOutcome::NothingToDo;
        result.message = "no copy to rebuild";
    }
    std::string extra = joined(copies.done);
    if (!copies.refused.empty()) extra += (extra.empty() ? "" : "; ") + joined(copies.refused);
    if (!extra.empty()) result.message += (result.message.empty() ? "" : "; ") + extra;
    return result;
}

PhotoResult deletePreviews(const std::string& path, const std::vector<std::string>& words, bool keepBackup,
                           bool dryRun) {
    const bool onlyStale = wantsStale(words);
    // Never through a link: the edit refuses one.
    const auto stale = onlyStale ? staleCopies(path, false) : std::vector<std::pair<PreviewKind, int>>{};
    PhotoResult result = toolResult(path, "delete", "done", "");
    result.dryRun = dryRun;
    const bool exif = selected(words, PreviewKind::Exif) && (!onlyStale || isStale(stale, PreviewKind::Exif, 0));
    const auto planExif = [&](PhotoPreviews& photo, ExifPart& part) {
        if (!exif) return;
        planExifEdit(path, photo, nullptr, part);
        // A thumbnail the edit does not know (stored uncompressed) stays: that is no "nothing to do".
        for (const previews::FoundPreview& found : photo.scan.found) {
            if (found.copy.kind == PreviewKind::Exif && part.outcome == EditOutcome::NothingToDo) {
                part.outcome = EditOutcome::Refused;
                part.message = "a thumbnail stored as " + found.copy.format + " is not removed";
            }
        }
    };
    const auto makeEdits = [&](const PhotoPreviews& photo, auto& edits, auto& refused) {
        for (const previews::FoundPreview& found : photo.scan.found) {
            const PreviewCopy& c = found.copy;
            if (c.kind == PreviewKind::Exif || !selected(words, c.kind)) continue;
            if (onlyStale && !isStale(stale, c.kind, c.index)) continue;
            if (c.kind == PreviewKind::FlashPix) {
                refused.push_back(previews::describeCopy(c) + ": " + found.notEditable);
                continue;
            }
            edits.push_back({&found, previews::PreviewAction::Remove, {}, {}});
        }
    };
    const CopiesOutcome copies = editCopies(path, {keepBackup, dryRun, false, false}, planExif, makeEdits);
    result.reports = copies.exif.reports;
    result.sizeBefore = copies.sizeBefore;
    result.sizeAfter = copies.failed ? copies.sizeBefore : copies.sizeAfter;
    std::string message;
    const bool exifDone = exif && copies.exif.outcome == EditOutcome::Done;
    if (exifDone) {
        message = "exif:0 removed";
    } else if (exif && (copies.exif.outcome == EditOutcome::Refused || copies.exif.outcome == EditOutcome::Failed)) {
        // The other copies still go; the photo's outcome says the thumbnail did not.
        result.outcome = outcomeName(copies.exif.outcome);
        result.failed = true;
        message = "exif:0: " + copies.exif.message;
    }
    if (copies.failed) {
        result.outcome = "failed";
        result.failed = true;
        result.message = (message.empty() ? "" : message + "; ") + copies.error;
        return result;
    }
    const std::string done = joined(copies.done);
    if (!done.empty()) message += (message.empty() ? "" : "; ") + done;
    if (!copies.refused.empty()) message += (message.empty() ? "" : "; ") + joined(copies.refused);
    if (copies.done.empty() && !exifDone && !result.failed) {
        result.outcome = copies.refused.empty() ? "nothing to do" : "refused";
        result.failed = !copies.refused.empty();
        if (message.empty()) message = "no copy to remove";
    }
    result.message = message;
    return result;
}

}  // namespace lumivex::cli
