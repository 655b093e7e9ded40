// The whole road of an edit: a photo file is given a new thumbnail or loses its own through the driver,
// then the written file is read and exported again. Input: byte 0 chooses the edit (bit 0 set: delete),
// bytes 1-2 the size of the new thumbnail (big-endian), the rest is the photo.
#include <cstring>
#include <string>
#include <vector>

#include "engine/exif/exif_segment.h"
#include "engine/exif/photo_info.h"
#include "engine/jpeg/sections.h"
#include "engine/platform/file_services.h"
#include "engine/thumbnail/file_operation.h"
#include "fuzz/fuzz_support.h"

using namespace lumivex;

namespace {

constexpr size_t kHeaderBytes = 3;
constexpr uint32_t kTiffStart = 8;  // length bytes and "Exif\0\0"

struct Paths {
    std::string photo;
    std::string backup;
    std::string thumbnail;
    std::string exported;
};

const Paths& scratchPaths() {
    static const Paths paths = [] {
        const std::string& folder = fuzz::scratchFolder();
        return Paths{folder + "/photo.jpg", folder + "/photo.jpg.orig", folder + "/thumb.jpg", folder + "/out.jpg"};
    }();
    return paths;
}

// A small JPEG-shaped file: SOI, a byte pattern, EOI.
std::vector<uint8_t> thumbnailBytes(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    if (size >= 4) {
        bytes[0] = 0xFF;
        bytes[1] = 0xD8;
        bytes[size - 2] = 0xFF;
        bytes[size - 1] = 0xD9;
    }
    return bytes;
}

bool sameBytes(const std::vector<uint8_t>& bytes, const uint8_t* data, size_t size) {
    return bytes.size() == size && (size == 0 || std::memcmp(bytes.data(), data, size) == 0);
}

// The first Exif segment of the list read alone: the one an edit works on.
void checkFirstExifThumbnail(const PhotoRecords& read, const std::vector<uint8_t>& expected) {
    const JpegSection* section = findSection(read.sectionList, kMarkerApp1);
    if (section == nullptr) fuzz::failInvariant("written photo has no Exif segment");
    std::vector<uint8_t> segment(section->data.get(), section->data.get() + section->size);
    ExifRecords records;
    const PhotoInfo& photoInfo = records.photoInfo;
    clearPhotoInfoForNewFile(records);
    if (!fuzz::runGuarded([&] { parseExifSegment(records, segment.data(), static_cast<uint32_t>(segment.size())); })) {
        fuzz::failInvariant("fatal while parsing the written Exif segment");
    }
    const uint64_t end = uint64_t{photoInfo.thumbOffset} + photoInfo.thumbLength;
    if (photoInfo.thumbOffset == 0 || end + kTiffStart > segment.size()) {
        fuzz::failInvariant("written thumbnail not found");
    }
    if (!sameBytes(expected, segment.data() + kTiffStart + photoInfo.thumbOffset, photoInfo.thumbLength)) {
        fuzz::failInvariant("written thumbnail does not read back as written");
    }
}

// Export reads the written photo once more and changes nothing in it: after a delete it finds no thumbnail;
// after a replacement, whatever it writes is the new thumbnail.
void checkExport(const Paths& paths, bool deleting, const std::vector<uint8_t>& thumbnail) {
    std::vector<uint8_t> before;
    std::vector<uint8_t> after;
    if (!fuzz::readFileBytes(paths.photo, before)) fuzz::failInvariant("written photo cannot be read");
    std::remove(paths.exported.c_str());
    int result = 0;
    if (!fuzz::runGuarded([&] { result = runFileOperation(paths.photo.c_str(), paths.exported.c_str(), 0); })) {
        fuzz::failInvariant("fatal while exporting from the written photo");
    }
    if (!fuzz::readFileBytes(paths.photo, after) || after != before) fuzz::failInvariant("export changed the photo");
    if (deleting && result != 0) fuzz::failInvariant("exported a deleted thumbnail");
    std::vector<uint8_t> exported;
    if (!deleting && result == 1 && (!fuzz::readFileBytes(paths.exported, exported) || exported != thumbnail)) {
        fuzz::failInvariant("exported thumbnail differs from the one written");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::prepareEngine();
    if (size < kHeaderBytes) return 0;
    const bool deleting = (data[0] & 1) != 0;
    const std::vector<uint8_t> thumbnail = thumbnailBytes(static_cast<size_t>(data[1] << 8 | data[2]));
    const uint8_t* photo = data + kHeaderBytes;
    const size_t photoSize = size - kHeaderBytes;

    const Paths& paths = scratchPaths();
    std::remove(paths.backup.c_str());
    if (!fuzz::writeFileBytes(paths.photo, photo, photoSize) ||
        !fuzz::writeFileBytes(paths.thumbnail, thumbnail.data(), thumbnail.size())) {
        fuzz::failInvariant("cannot write the scratch files");
    }

    int result = 0;
    const bool finished = fuzz::runGuarded(
        [&] { result = runFileOperation(paths.photo.c_str(), deleting ? nullptr : paths.thumbnail.c_str(), 1); });

    // Whatever happened, the user's bytes are still there: unchanged under the photo's name, or in the backup.
    std::vector<uint8_t> bytes;
    if (!finished || result == 0) {
        if (!fuzz::readFileBytes(paths.photo, bytes) || !sameBytes(bytes, photo, photoSize)) {
            fuzz::failInvariant("photo changed by an edit that was not carried out");
        }
        if (fuzz::fileExists(paths.backup)) fuzz::failInvariant("backup made by an edit that was not carried out");
        return 0;
    }
    if (!fuzz::readFileBytes(paths.backup, bytes) || !sameBytes(bytes, photo, photoSize)) {
        fuzz::failInvariant("backup differs from the photo");
    }

    // The new file carries the old one's modification time.
    platform::FileStatus written;
    platform::FileStatus kept;
    if (!platform::statFile(paths.photo.c_str(), written) || !platform::statFile(paths.backup.c_str(), kept) ||
        written.modifiedSeconds != kept.modifiedSeconds || written.modifiedNanos != kept.modifiedNanos) {
        fuzz::failInvariant("written photo lost the modification time");
    }

    int reread = 0;
    PhotoRecords records;
    if (!fuzz::runGuarded([&] { reread = readSourceFile(records, paths.photo.c_str(), false); }) || reread != 1) {
        fuzz::failInvariant("written photo does not read back");
    }
    if (deleting) {
        if (records.photoInfo.thumbLength != 0) fuzz::failInvariant("deleted thumbnail still there");
    } else {
        checkFirstExifThumbnail(records, thumbnail);
    }
    checkExport(paths, deleting, thumbnail);
    return 0;
}
