#include "engine/thumbnail/keep_all.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/diag/diag.h"
#include "engine/exif/exif_layout.h"
#include "engine/exif/exif_segment.h"
#include "engine/thumbnail/block_view.h"
#include "engine/thumbnail/directory_builder.h"
#include "engine/thumbnail/maker_note_reach.h"

namespace lumivex {

namespace {

constexpr uint64_t kMaxSegmentLength = 65535;  // the 16-bit length: 65,533 bytes of content after it
constexpr uint16_t kTagThumbnailOffset = 0x0201;
constexpr uint16_t kTagThumbnailLength = 0x0202;

// The photo's Exif segment and what the walk left about its thumbnail.
struct ExifTarget {
    JpegSection* segment = nullptr;
    std::optional<BlockView> block;   // none when the segment's header cannot be read
    bool thumbnailHere = false;       // the thumbnail facts describe this segment
    bool thumbnailElsewhere = false;  // they describe another Exif segment of the file
};

ExifTarget findTarget(PhotoRecords& records) {
    ExifTarget target;
    target.segment = findSection(records.sectionList, kMarkerApp1);
    if (target.segment == nullptr) return target;
    target.block = exifBlockOf(target.segment->data.get(), static_cast<uint32_t>(target.segment->size));
    if (!target.block || records.photoInfo.thumbOffset == 0 || records.thumbnailOrigin.sectionIndex < 0) return target;
    target.thumbnailHere = thumbnailSection(records) == target.segment;
    target.thumbnailElsewhere = !target.thumbnailHere;
    return target;
}

// Bytes of an offset or length entry's value that an edit may rewrite: an integer of one component or more.
uint32_t valueWidth(int format, uint32_t count) {
    if (count == 0) return 0;
    if (format == FormatLong || format == FormatSLong) return 4;
    if (format == FormatShort) return 2;
    return 0;
}

bool writeValue(const BlockView& block, uint64_t pos, int format, uint32_t value) {
    return valueWidth(format, 1) == 4 ? block.write32(pos, value) : block.write16(pos, value);
}

// The thumbnail's entries can be rewritten in place: both present, integers, inside the block, and wide enough.
bool entriesWritable(const ThumbnailOrigin& o, const BlockView& block, uint64_t newOffset, uint64_t newLength) {
    const uint32_t offsetWidth = valueWidth(o.offsetFormat, o.offsetCount);
    const uint32_t lengthWidth = valueWidth(o.lengthFormat, o.lengthCount);
    if (!o.hasLengthEntry || offsetWidth == 0 || lengthWidth == 0) return false;
    if (!block.contains(o.offsetPos, offsetWidth) || !block.contains(o.lengthPos, lengthWidth)) return false;
    const uint64_t limit = offsetWidth == 4 ? UINT32_MAX : UINT16_MAX;
    return newOffset <= limit && newLength <= (lengthWidth == 4 ? UINT32_MAX : UINT16_MAX);
}

// Nothing the walk read reaches past the thumbnail's first byte, so the segment may be cut there.
bool thumbnailLast(const ExifRecords& records, const BlockView& block) {
    const ThumbnailOrigin& o = records.thumbnailOrigin;
    const PhotoInfo& photoInfo = records.photoInfo;
    return photoInfo.thumbAtEnd != 0 && !o.laterStructure && uint64_t{o.lengthPos} + 4 <= photoInfo.thumbOffset &&
           uint64_t{o.offsetPos} + 4 <= photoInfo.thumbOffset && photoInfo.thumbOffset <= block.length;
}

uint64_t evenOffset(uint64_t offset) { return offset + (offset & 1); }

std::string overBy(uint64_t segmentLength) {
    return "the Exif segment would be " + std::to_string(segmentLength - kMaxSegmentLength) +
           " bytes over its limit of 65,533 bytes of content";
}

// What a replacement does, with the places it writes.
struct Decision {
    ReplacePlan plan;
    uint64_t newOffset = 0;  // where the new thumbnail goes (TIFF offset)
    uint64_t newTiffLength = 0;
    bool zeroOld = false;  // the old thumbnail's bytes become zeros
};

Decision refuse(std::string why) {
    Decision d;
    d.plan.route = ReplaceRoute::Refused;
    d.plan.why = std::move(why);
    return d;
}

Decision withSize(Decision d) {
    d.plan.segmentSize = kTiffStartInSegment + d.newTiffLength;
    if (d.plan.segmentSize > kMaxSegmentLength) return refuse(overBy(d.plan.segmentSize));
    return d;
}

// The minimal block for a photo without Exif: what a validator asks of a JPEG's Exif data, the file's date
// as its modification date, and the thumbnail in a directory of its own.
std::vector<uint8_t> minimalBlock(const PhotoInfo& photoInfo, const std::vector<uint8_t>& thumbnail) {
    const ExifByteOrder order = ExifByteOrder::Intel;
    char date[20] = {};
    if (photoInfo.dateOffsetCount != 0) {
        std::memcpy(date, photoInfo.dateTime, 19);
    } else {
        fileTimeText(photoInfo, date);
    }
    DirectoryBuilder builder(order, 8);
    const int first = builder.addDirectory();
    const int exif = builder.addDirectory();
    const int thumb = builder.addDirectory();
    builder.addRational(first, 0x011A, 72, 1);  // XResolution
    builder.addRational(first, 0x011B, 72, 1);  // YResolution
    builder.addShort(first, 0x0128, 2);         // ResolutionUnit: inches
    builder.addAscii(first, 0x0132, date);      // DateTime
    builder.addShort(first, 0x0213, 1);         // YCbCrPositioning: centred
    builder.addLink(first, 0x8769, exif);
    builder.setNext(first, thumb);
    builder.addUndefined(exif, 0x9000, {'0', '2', '3', '1'});  // ExifVersion
    // The file's time is when it was written, not when it was taken: no capture date is made up.
    if (photoInfo.dateOffsetCount != 0) builder.addAscii(exif, 0x9003, date);  // DateTimeOriginal
    builder.addUndefined(exif, 0x9101, {1, 2, 3, 0});                          // ComponentsConfiguration: Y Cb Cr
    builder.addUndefined(exif, 0xA000, {'0', '1', '0', '0'});                  // FlashpixVersion
    builder.addShort(exif, 0xA001, 1);                                         // ColorSpace: sRGB
    if (photoInfo.width > 0 && photoInfo.height > 0) {
        builder.addLong(exif, 0xA002, static_cast<uint32_t>(photoInfo.width));
        builder.addLong(exif, 0xA003, static_cast<uint32_t>(photoInfo.height));
    }
    builder.addShort(thumb, 0x0103, 6);  // Compression: JPEG
    builder.addRational(thumb, 0x011A, 72, 1);
    builder.addRational(thumb, 0x011B, 72, 1);
    builder.addShort(thumb, 0x0128, 2);
    builder.addThumbnail(thumb, thumbnail);
    BuiltLayout layout;
    const std::vector<uint8_t> body = builder.build(layout);
    static constexpr uint8_t kTiffHeader[8] = {'I', 'I', 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00};
    std::vector<uint8_t> block(sizeof kTiffHeader + body.size());
    std::memcpy(block.data(), kTiffHeader, sizeof kTiffHeader);
    if (!body.empty()) std::memcpy(block.data() + sizeof kTiffHeader, body.data(), body.size());
    return block;
}

// The thumbnail directory the tool adds to a photo whose Exif block has none.
DirectoryBuilder newThumbnailDirectory(const BlockView& block, const std::vector<uint8_t>& thumbnail) {
    DirectoryBuilder builder(block.order, block.length);
    const int dir = builder.addDirectory();
    builder.addShort(dir, 0x0103, 6);
    builder.addRational(dir, 0x011A, 72, 1);
    builder.addRational(dir, 0x011B, 72, 1);
    builder.addShort(dir, 0x0128, 2);
    builder.addThumbnail(dir, thumbnail);
    return builder;
}

// A change of the segment's size is not allowed when the maker note points past the block.
bool sizePinned(const BlockView& block, std::string* what) { return makerNoteReachesPastBlock(block, what); }

Decision decide(PhotoRecords& records, uint64_t newLength) {
    // Far too large for any segment; bounded here so that no sum below can wrap.
    if (newLength > UINT32_MAX) return refuse(overBy(newLength));
    const PhotoInfo& photoInfo = records.photoInfo;
    const ExifTarget target = findTarget(records);
    if (target.segment == nullptr) {
        Decision d;
        d.plan.route = ReplaceRoute::MinimalExif;
        d.newTiffLength = minimalBlock(photoInfo, std::vector<uint8_t>()).size() + newLength;
        return withSize(d);
    }
    if (!target.block) return refuse("the Exif segment's header cannot be read; it is left as it is");
    if (target.thumbnailElsewhere) return refuse("the thumbnail is named in a second Exif segment");
    const BlockView& block = *target.block;
    std::string pinnedBy;
    const bool pinned = sizePinned(block, &pinnedBy);

    if (target.thumbnailHere) {
        const uint64_t oldOffset = photoInfo.thumbOffset;
        if (thumbnailLast(records, block)) {
            Decision d;
            d.plan.route = ReplaceRoute::InPlace;
            d.newOffset = oldOffset;
            d.newTiffLength = oldOffset + newLength;
            if (pinned && d.newTiffLength > block.length) {
                return refuse(pinnedBy + ", so the segment may not grow; the new thumbnail is " +
                              std::to_string(d.newTiffLength - block.length) + " bytes too large for its place");
            }
            if (pinned) d.newTiffLength = block.length;  // padded to the old size
            if (!entriesWritable(records.thumbnailOrigin, block, d.newOffset, newLength)) {
                return refuse("the thumbnail's offset or length entry cannot be rewritten");
            }
            return withSize(d);
        }
        if (thumbnailSharesBytes(records))
            return refuse("the thumbnail shares its bytes with another value of the block");
        Decision d;
        d.zeroOld = true;
        if (pinned) {
            // Overwritten where it is, the rest of the old one zeroed: the segment keeps its size.
            if (newLength > photoInfo.thumbLength) {
                return refuse(pinnedBy + ", so the segment may not grow; the new thumbnail is " +
                              std::to_string(newLength - photoInfo.thumbLength) + " bytes larger than the old one");
            }
            d.plan.route = ReplaceRoute::InPlace;
            d.newOffset = oldOffset;
            d.newTiffLength = block.length;
        } else {
            d.plan.route = ReplaceRoute::Appended;
            d.newOffset = evenOffset(block.length);
            d.newTiffLength = d.newOffset + newLength;
        }
        if (!entriesWritable(records.thumbnailOrigin, block, d.newOffset, newLength)) {
            return refuse("the thumbnail's offset or length entry cannot be rewritten");
        }
        return withSize(d);
    }

    // No thumbnail: a directory of its own, linked from the first directory's next-directory field.
    const auto first = directoryAt(block, block.read32(4));
    if (!first) return refuse("the first directory does not lie inside the Exif block");
    if (!block.contains(first->nextPos, 4)) {
        return refuse("the first directory's next-directory field lies outside the Exif block");
    }
    if (const uint32_t next = block.read32(first->nextPos); next != 0) {
        // Its entries cannot grow in place, and a second thumbnail directory would hide what it holds.
        const auto linked = directoryAt(block, next);
        const bool strips = linked && findValue(block, *linked, 0x0111).has_value();
        return refuse("the first directory already links to a directory (offset " + std::to_string(next) + ") that " +
                      (strips ? "holds an uncompressed thumbnail, which is not replaced" : "holds no JPEG thumbnail"));
    }
    if (pinned) return refuse(pinnedBy + ", so no thumbnail directory can be added to the segment");
    Decision d;
    d.plan.route = ReplaceRoute::NewDirectory;
    const std::vector<uint8_t> none;  // the thumbnail's place does not depend on its length
    BuiltLayout layout;
    newThumbnailDirectory(block, none).build(layout);
    d.newTiffLength = layout.thumbnailOffset + newLength;
    return withSize(d);
}

// The Exif segment gets new bytes: the TIFF block given, with the length value and size that go with it.
void setSegment(JpegSection& segment, std::unique_ptr<uint8_t[]> data, uint64_t tiffLength) {
    const uint64_t size = kTiffStartInSegment + tiffLength;
    data[0] = static_cast<uint8_t>(size >> 8);
    data[1] = static_cast<uint8_t>(size);
    segment.data = std::move(data);
    segment.size = static_cast<int32_t>(size);
}

// A copy of the segment resized to a new block length, the bytes past the old end zero.
std::unique_ptr<uint8_t[]> resizedCopy(const JpegSection& segment, uint64_t tiffLength) {
    const uint64_t size = kTiffStartInSegment + tiffLength;
    auto buffer = allocateBytes(size, "Could not allocate memory");
    const uint64_t keep = std::min<uint64_t>(size, static_cast<uint64_t>(segment.size));
    std::memcpy(buffer.get(), segment.data.get(), keep);
    std::memset(buffer.get() + keep, 0, size - keep);
    return buffer;
}

// The thumbnail facts describe the edited segment: it is parsed again, quietly, and only those facts are
// taken from the new parse (the rest of photoInfo keeps describing the file as read).
void refreshThumbnailFacts(PhotoRecords& records, JpegSection& segment, EditedFacts facts) {
    if (facts == EditedFacts::Leave) return;
    PhotoInfo& photoInfo = records.photoInfo;
    const PhotoInfo before = photoInfo;
    photoInfo.thumbOffset = 0;
    photoInfo.thumbLength = 0;
    photoInfo.exifExtent = 0;
    records.thumbnailOrigin = ThumbnailOrigin{};
    {
        ScopedReportSink quiet([](std::string_view) {});
        parseExifSegment(records, segment.data.get(), static_cast<uint32_t>(segment.size));
    }
    PhotoInfo after = before;
    after.thumbOffset = photoInfo.thumbOffset;
    after.thumbLength = photoInfo.thumbLength;
    after.thumbLengthPos = photoInfo.thumbLengthPos;
    after.thumbAtEnd = photoInfo.thumbAtEnd;
    after.exifExtent = photoInfo.exifExtent;
    photoInfo = after;
}

ReplacePlan carryOut(PhotoRecords& records, const Decision& d, const std::vector<uint8_t>& thumbnail,
                     EditedFacts facts) {
    const PhotoInfo& photoInfo = records.photoInfo;
    const ExifTarget target = findTarget(records);
    if (d.plan.route == ReplaceRoute::MinimalExif) {
        const std::vector<uint8_t> block = minimalBlock(photoInfo, thumbnail);
        auto buffer = allocateBytes(kTiffStartInSegment + block.size(), "Could not allocate memory");
        std::memcpy(buffer.get() + 2, "Exif\0\0", 6);
        std::memcpy(buffer.get() + kTiffStartInSegment, block.data(), block.size());
        JpegSection fresh;
        setSegment(fresh, std::move(buffer), block.size());
        insertSection(records, kMarkerApp1, std::move(fresh.data), fresh.size);
        refreshThumbnailFacts(records, records.sectionList.sections[0], facts);
        return d.plan;
    }
    JpegSection& segment = *target.segment;
    const BlockView old = *target.block;
    auto buffer = resizedCopy(segment, d.newTiffLength);
    const BlockView block{buffer.get() + kTiffStartInSegment, static_cast<uint32_t>(d.newTiffLength), old.order};

    if (d.plan.route == ReplaceRoute::NewDirectory) {
        BuiltLayout layout;
        const DirectoryBuilder builder = newThumbnailDirectory(old, thumbnail);
        const std::vector<uint8_t> built = builder.build(layout);
        std::memcpy(block.tiff + builder.base(), built.data(), built.size());
        // decide() found the field inside the block and zero; the copy has it at the same place.
        const auto first = directoryAt(block, block.read32(4));
        block.write32(first->nextPos, layout.directoryOffsets[0]);
    } else {
        const ThumbnailOrigin& o = records.thumbnailOrigin;
        if (d.zeroOld) std::memset(block.tiff + photoInfo.thumbOffset, 0, photoInfo.thumbLength);
        if (d.plan.route == ReplaceRoute::InPlace && !d.zeroOld) {
            // Cut at the old thumbnail: whatever followed it goes, as it does for the window.
            std::memset(block.tiff + d.newOffset, 0, d.newTiffLength - d.newOffset);
        }
        std::memcpy(block.tiff + d.newOffset, thumbnail.data(), thumbnail.size());
        writeValue(block, o.offsetPos, o.offsetFormat, static_cast<uint32_t>(d.newOffset));
        writeValue(block, o.lengthPos, o.lengthFormat, static_cast<uint32_t>(thumbnail.size()));
    }
    setSegment(segment, std::move(buffer), d.newTiffLength);
    refreshThumbnailFacts(records, segment, facts);
    return d.plan;
}

// The thumbnail's offset and length entries leave its directory: the others move up, the count goes down
// and the freed bytes become zeros. True when no entry but those that describe the thumbnail image is left.
bool dropThumbnailEntries(const BlockView& block, const DirectoryView& dir) {
    std::vector<uint8_t> kept;
    bool onlyImageTags = true;
    for (uint32_t i = 0; i < dir.entries; ++i) {
        const uint64_t e = dir.entryPos(i);
        const uint32_t tag = block.read16(e);
        if (tag == kTagThumbnailOffset || tag == kTagThumbnailLength) continue;
        kept.insert(kept.end(), block.tiff + e, block.tiff + e + 12);
        // Compression, resolution and colour layout of the thumbnail image mean nothing without it, and the
        // camera's names that some cameras repeat for it are kept in the first directory.
        static const uint16_t kImageTags[] = {0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x010E, 0x010F,
                                              0x0110, 0x0112, 0x0115, 0x011A, 0x011B, 0x0128, 0x0131,
                                              0x0132, 0x013B, 0x0211, 0x0212, 0x0213, 0x0214, 0x8298};
        if (std::find(std::begin(kImageTags), std::end(kImageTags), tag) == std::end(kImageTags)) {
            onlyImageTags = false;
        }
    }
    const uint32_t next = block.read32(dir.nextPos);
    const auto count = static_cast<uint32_t>(kept.size() / 12);
    std::memset(block.tiff + dir.offset, 0, dir.nextPos + 4 - dir.offset);
    block.write16(dir.offset, count);
    if (!kept.empty()) std::memcpy(block.tiff + dir.offset + 2, kept.data(), kept.size());
    block.write32(dir.entryPos(count), next);
    return onlyImageTags;
}

}  // namespace

const char* routeName(ReplaceRoute route) {
    switch (route) {
        case ReplaceRoute::InPlace:
            return "in place";
        case ReplaceRoute::Appended:
            return "appended";
        case ReplaceRoute::NewDirectory:
            return "new thumbnail directory";
        case ReplaceRoute::MinimalExif:
            return "minimal Exif block";
        case ReplaceRoute::Refused:
            break;
    }
    return "refused";
}

ReplacePlan planKeepAllReplacement(PhotoRecords& records, uint64_t newLength) {
    return decide(records, newLength).plan;
}

ReplacePlan replaceKeepingAll(PhotoRecords& records, const std::vector<uint8_t>& thumbnail, EditedFacts facts) {
    const Decision d = decide(records, thumbnail.size());
    if (d.plan.route == ReplaceRoute::Refused) return d.plan;
    return carryOut(records, d, thumbnail, facts);
}

RemoveResult removeKeepingAll(PhotoRecords& records, std::string* why, EditedFacts facts) {
    const auto refused = [why](const std::string& text) {
        if (why != nullptr) *why = text;
        return RemoveResult::Refused;
    };
    const PhotoInfo& photoInfo = records.photoInfo;
    const ExifTarget target = findTarget(records);
    if (target.segment == nullptr || !target.block) return RemoveResult::NoThumbnail;
    if (target.thumbnailElsewhere) return refused("the thumbnail is named in a second Exif segment");
    if (!target.thumbnailHere) return RemoveResult::NoThumbnail;
    const BlockView& old = *target.block;
    const ThumbnailOrigin& o = records.thumbnailOrigin;
    const auto dir = directoryAt(old, o.directoryOffset);
    if (!dir || !old.contains(dir->nextPos, 4))
        return refused("the thumbnail's directory does not lie inside the block");
    std::string pinnedBy;
    const bool pinned = sizePinned(old, &pinnedBy);
    const bool cut = thumbnailLast(records, old) && !pinned;
    if (!cut && thumbnailSharesBytes(records))
        return refused("the thumbnail shares its bytes with another value of the block");
    // The thumbnail's bytes and entries, and a directory left with nothing else, never reach past where
    // the thumbnail began, so a cut block keeps them all.
    const uint64_t newLength = cut ? std::max<uint64_t>(photoInfo.thumbOffset, dir->nextPos + 4) : old.length;

    JpegSection& segment = *target.segment;
    auto buffer = resizedCopy(segment, newLength);
    const BlockView block{buffer.get() + kTiffStartInSegment, static_cast<uint32_t>(newLength), old.order};
    if (!cut && block.contains(photoInfo.thumbOffset, photoInfo.thumbLength)) {
        std::memset(block.tiff + photoInfo.thumbOffset, 0, photoInfo.thumbLength);
    }
    const uint32_t after = block.read32(dir->nextPos);  // the directory that follows the thumbnail's
    const bool nothingElse = dropThumbnailEntries(block, *dir);
    const auto first = directoryAt(block, block.read32(4));
    if (nothingElse && first && first->offset != dir->offset && block.contains(first->nextPos, 4) &&
        block.read32(first->nextPos) == dir->offset) {
        // The directory described the thumbnail alone: the first directory now links past it.
        block.write32(first->nextPos, after);
        std::memset(block.tiff + dir->offset, 0, dir->nextPos + 4 - dir->offset);
    }
    setSegment(segment, std::move(buffer), newLength);
    refreshThumbnailFacts(records, segment, facts);
    return RemoveResult::Removed;
}

}  // namespace lumivex
