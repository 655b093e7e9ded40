#include "engine/photo/photo_value.h"

#include <algorithm>
#include <cstring>

#include "engine/diag/diag.h"
#include "engine/exif/exif_layout.h"
#include "engine/exif/exif_segment.h"
#include "engine/jpeg/reader.h"
#include "engine/platform/file_services.h"
#include "engine/previews/mpf_index.h"
#include "engine/thumbnail/block_view.h"
#include "engine/thumbnail/exif_splice.h"
#include "engine/thumbnail/keep_all.h"
#include "engine/thumbnail/maker_note_reach.h"
#include "engine/thumbnail/thumbnail_edit.h"
#include "lumivex/photo.h"
#include "lumivex/photo_head.h"
#include "lumivex/thumbnail_file.h"

namespace lumivex {

// The records of a read, as the read left them: an edit plans on a copy of them.
struct ParsedHead {
    PhotoRecords records;
    bool exifAgreed = true;  // no Exif segment, or the parsed one is the one the walk found
};

namespace {

// Parses the bytes before the image data into the engine's working records of the photo.
bool parseHead(PhotoRecords& records, std::span<const uint8_t> head, const std::string& name, uint64_t fileSize) {
    currentFileName = name;
    resetJpegState(records.sectionList);
    clearPhotoInfoForNewFile(records);
    records.photoInfo.fileSize = static_cast<uint32_t>(fileSize);
    std::strncpy(records.photoInfo.filePath, name.c_str(), sizeof records.photoInfo.filePath - 1);
    try {
        return readSectionsFromBytes(records, head, LoadMetadata | LoadForTool) != 0;
    } catch (const FatalError&) {
        return false;
    }
}

// True when the parsed segment differs from the file's bytes at most where the parse turned a UserComment's
// trailing blanks into NULs (the window's rule for the segment it writes back).
bool sameButForBlanks(const uint8_t* original, const uint8_t* parsed, size_t n) {
    // Almost every byte matches: memcmp settles a run of them many times faster than the byte loop, which
    // only looks at the runs that differ (a UserComment's few).
    constexpr size_t kRun = 256;
    for (size_t at = 0; at < n; at += kRun) {
        const size_t end = std::min(n, at + kRun);
        if (std::memcmp(original + at, parsed + at, end - at) == 0) continue;
        for (size_t i = at; i < end; ++i) {
            if (original[i] != parsed[i] && !(original[i] == ' ' && parsed[i] == 0)) return false;
        }
    }
    return true;
}

// The parsed Exif segment, when it is the one the walk found (never a segment the two readings disagree on),
// with the file's own bytes put back: the tool changes nothing in the segment that its edit does not need.
JpegSection* agreedExifSegment(PhotoRecords& records, const Photo& photo) {
    JpegSection* exif = findSection(records.sectionList, kMarkerApp1);
    const SegmentEntry* place = findSegment(photo.segments, photo.head, 0xE1, "Exif");
    if (exif == nullptr || place == nullptr || exif->size < 0 || place->length != uint64_t(exif->size) + 2) {
        return nullptr;
    }
    const uint8_t* original = photo.head.data() + place->offset + 2;
    const size_t n = static_cast<size_t>(exif->size);
    if (!sameButForBlanks(original, exif->data.get(), n)) return nullptr;
    std::memcpy(exif->data.get(), original, n);
    return exif;
}

void keepWhatWasParsed(ParsedHead& parsed, Photo& photo) {
    PhotoRecords& records = parsed.records;
    photo.info = records.photoInfo;
    photo.byteOrder = records.exifReadFacts.byteOrder;
    JpegSection* exif = agreedExifSegment(records, photo);
    parsed.exifAgreed = exif != nullptr || findSection(records.sectionList, kMarkerApp1) == nullptr;
    const SegmentEntry* place = findSegment(photo.segments, photo.head, 0xE1, "Exif");
    if (exif == nullptr || place == nullptr) return;
    const uint8_t* bytes = nullptr;
    uint32_t length = 0;
    if (embeddedThumbnail(records, bytes, length)) {
        PreviewCopy copy;
        copy.kind = PreviewKind::Exif;
        copy.offset = place->offset + 2 + static_cast<uint64_t>(bytes - exif->data.get());
        copy.length = length;
        copy.format = "jpeg";
        photo.previews.push_back(copy);
    }
    if (const auto block = exifBlockOf(exif->data.get(), static_cast<uint32_t>(exif->size))) {
        std::string what;
        if (makerNoteReachesPastBlock(*block, &what)) photo.makerNoteReach = what.empty() ? "yes" : what;
    }
}

bool readHead(std::span<const uint8_t> bytes, uint64_t fileSize, const std::string& name, Photo& photo,
              std::string& why) {
    photo = Photo{};
    photo.name = name;
    ScopedReportSink collect([&photo](std::string_view text) { photo.reports.append(text); });
    const WalkStatus status = walkSegments(bytes, fileSize, photo.segments, why);
    if (status != WalkStatus::Complete) {
        if (status == WalkStatus::NotJpeg) why = "not a JPEG file";
        if (status == WalkStatus::NoImage) why = "no image data";
        if (status == WalkStatus::NeedMore) why = "the file ends before its image data";
        return false;
    }
    photo.head.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(photo.segments.imageDataOffset));
    auto parsed = std::make_shared<ParsedHead>();
    if (!parseHead(parsed->records, photo.head, name, fileSize)) {
        why = "not a JPEG photo that can be read whole";
        return false;
    }
    keepWhatWasParsed(*parsed, photo);
    photo.parsed = std::move(parsed);
    return true;
}

EditPlan refused(EditPlan plan, std::string why) {
    plan.outcome = EditPlan::Outcome::Refused;
    plan.why = std::move(why);
    return plan;
}

// The records an edit works on: a copy of the read's, whose segments the edit may replace.
bool recordsForEdit(PhotoRecords& records, const Photo& photo, EditPlan& plan) {
    if (!photo.parsed) {
        plan = refused(plan, "not a JPEG photo that can be read whole");
        return false;
    }
    if (!photo.parsed->exifAgreed) {
        plan = refused(plan, "its Exif segment cannot be located unambiguously");
        return false;
    }
    currentFileName = photo.name;  // what the edit reports names this photo, as its read did
    const PhotoRecords& read = photo.parsed->records;
    static_cast<ExifRecords&>(records) = read;
    records.lastTooLarge = read.lastTooLarge;
    SectionList& list = records.sectionList;
    resetJpegState(list);
    for (int32_t i = 0; i < read.sectionList.count; ++i) {
        const JpegSection& section = read.sectionList.sections[i];
        std::unique_ptr<uint8_t[]> data;
        if (section.data) {
            data = allocateBytes(static_cast<uint64_t>(section.size), "Could not allocate memory");
            std::memcpy(data.get(), section.data.get(), static_cast<size_t>(section.size));
        }
        appendSection(list, std::move(data), section.marker, section.size);
    }
    list.imageDataRead = read.sectionList.imageDataRead;
    list.imageDataOffset = read.sectionList.imageDataOffset;
    list.imageDataSource = read.sectionList.imageDataSource;
    // A minimal Exif block is dated from the file; bytes that came from no file have no date to give it.
    records.photoInfo.fileModified = photo.info.fileModified != 0 ? photo.info.fileModified : kUnknownFileTime;
    return true;
}

EditPlan spliced(const PhotoRecords& records, const Photo& photo, EditPlan plan) {
    const JpegSection* exif = findSection(records.sectionList, kMarkerApp1);
    std::string why;
    if (exif == nullptr) return refused(plan, "the edited Exif segment went missing");
    if (!planExifSplice(photo.head, photo.segments, exif->data.get(), static_cast<uint32_t>(exif->size), plan.splices,
                        why)) {
        return refused(plan, why);
    }
    // An MPF index counts the photo's own size, which a larger or smaller Exif segment changes.
    if (std::optional<Splice> index = previews::mainImageSizeSplice(photo.head, photo.segments, plan.splices.splices)) {
        plan.splices.splices.push_back(std::move(*index));
        sortByOffset(plan.splices.splices);
    }
    plan.outcome = EditPlan::Outcome::Planned;
    return plan;
}

}  // namespace

bool readPhoto(std::span<const uint8_t> file, const std::string& name, Photo& photo, std::string& why) {
    return readHead(file, file.size(), name, photo, why);
}

bool readPhotoFromOpenFile(const platform::OpenFile& file, const platform::FileStatus& status, const std::string& name,
                           Photo& photo, std::string& why) {
    PhotoHead head;
    if (!status.isRegular || !readPhotoHead(file, static_cast<uint64_t>(status.size), head, why)) {
        if (why.empty()) why = "not a regular file";
        photo = Photo{};
        photo.name = name;
        return false;
    }
    if (!readHead(head.bytes, static_cast<uint64_t>(status.size), name, photo, why)) return false;
    photo.info.fileModified = static_cast<int32_t>(status.modifiedSeconds);
    return true;
}

bool readPhotoFromDescriptor(int descriptor, const std::string& name, Photo& photo, std::string& why) {
    platform::OpenFile file(descriptor);
    platform::FileStatus status;
    const bool stated = platform::statOpenFile(file, status);
    const bool ok = stated && readPhotoFromOpenFile(file, status, name, photo, why);
    file.release();  // the caller's descriptor stays open
    if (!stated) {
        why = "not a regular file";
        photo = Photo{};
        photo.name = name;
    }
    return ok;
}

EditPlan planReplace(const Photo& photo, std::span<const uint8_t> thumbnail) {
    EditPlan plan;
    std::string why;
    if (!checkThumbnailBytes(thumbnail, why)) return refused(plan, why);
    PhotoRecords records;
    try {
        if (!recordsForEdit(records, photo, plan)) return plan;
        const std::vector<uint8_t> bytes(thumbnail.begin(), thumbnail.end());
        const ReplacePlan replaced = replaceKeepingAll(records, bytes, EditedFacts::Leave);
        plan.route = routeName(replaced.route);
        if (replaced.route == ReplaceRoute::Refused) return refused(plan, replaced.why);
    } catch (const FatalError& error) {
        return refused(plan, error.message);
    }
    return spliced(records, photo, plan);
}

EditPlan planDelete(const Photo& photo) {
    EditPlan plan;
    PhotoRecords records;
    std::string why;
    try {
        if (!recordsForEdit(records, photo, plan)) return plan;
        switch (removeKeepingAll(records, &why, EditedFacts::Leave)) {
            case RemoveResult::Removed:
                return spliced(records, photo, plan);
            case RemoveResult::NoThumbnail:
                plan.outcome = EditPlan::Outcome::NothingToDo;
                plan.why = "no thumbnail; nothing to do";
                return plan;
            case RemoveResult::Refused:
                break;
        }
    } catch (const FatalError& error) {
        why = error.message;
    }
    return refused(plan, why);
}

}  // namespace lumivex
