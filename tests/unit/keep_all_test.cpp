#include "engine/thumbnail/keep_all.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/jpeg/writer.h"
#include "engine/thumbnail/block_view.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;
using test::JpegBuilder;

constexpr ExifByteOrder kOrders[] = {ExifByteOrder::Intel, ExifByteOrder::Motorola};

enum class Shape {
    Last,               // the thumbnail is the last thing in the block
    BeforeMakerNote,    // the maker note's value follows the thumbnail
    Absent,             // no thumbnail directory at all
    AbsentLinked,       // no thumbnail, but the first directory links to another directory
    ImageTagsAndMore,   // last, and its directory holds a tag that is not about the thumbnail image
    PinnedByMakerNote,  // before a maker note that locates data past the block by its own offsets
    SharedWithValue,    // a value of the Exif directory lies inside the thumbnail's bytes
    PinnedInFront,      // last, after a maker note that locates data past the block by its own offsets
    LinkPastThumbnail,  // last, but its directory links to a directory (unreadable) just after it
    NoteValueAtEnd,     // before a maker note whose own value ends exactly at the block's end
};

// A maker note of the common kind (offsets from the TIFF header) whose one value is its last 8 bytes, placed
// for a note ending at the TIFF offset `end`.
Bytes noteWithValueAtItsEnd(ExifByteOrder order, uint32_t end) {
    Bytes note;
    test::put16(note, 0, 1, order);
    test::put16(note, 2, 0x0001, order);
    test::put16(note, 4, FormatUndefined, order);
    test::put32(note, 6, 8, order);
    test::put32(note, 10, end - 8, order);
    test::put32(note, 14, 0, order);
    note.resize(note.size() + 8, 0x6B);
    return note;
}

Bytes makerNote(Shape shape, ExifByteOrder order) {
    if (shape != Shape::PinnedByMakerNote) return Bytes(40, 0x5A);
    // Offsets of this kind of maker note count from its own start; the pair points far past the block.
    const uint8_t mark = order == ExifByteOrder::Intel ? 'I' : 'M';
    Bytes note{'O', 'L', 'Y', 'M', 'P', 'U', 'S', 0, mark, mark, 3, 0};
    test::put16(note, note.size(), 2, order);
    for (auto [tag, value] : {std::pair<uint32_t, uint32_t>{0x0101, 1900000}, {0x0102, 5000}}) {
        const size_t at = note.size();
        test::put16(note, at, tag, order);
        test::put16(note, at + 2, FormatLong, order);
        test::put32(note, at + 4, 1, order);
        test::put32(note, at + 8, value, order);
    }
    test::put32(note, note.size(), 0, order);
    return note;
}

// A camera-like block: first directory with Make and links to the Exif and GPS directories, the thumbnail's
// directory as the next one, and the maker note in the Exif directory.
Bytes cameraBlock(Shape shape, ExifByteOrder order, size_t thumbLength, uint32_t padding = 0) {
    ExifBuilder exif(order);
    const int ifd0 = exif.addDirectory();
    const int exifDir = exif.addDirectory();
    const int gps = exif.addDirectory();
    exif.addAscii(ifd0, 0x010F, "Camera");
    exif.addLink(ifd0, 0x8769, exifDir);
    exif.addLink(ifd0, 0x8825, gps);
    exif.addEntry(exifDir, 0x9000, FormatUndefined, 4, {'0', '2', '3', '0'});
    if (padding > 0) exif.addEntry(exifDir, 0x9286, FormatUndefined, padding, Bytes(padding, 'x'));
    exif.addAscii(gps, 1, "N");
    exif.addEntry(gps, 2, FormatRational, 3, test::encodeRationals({{12, 1}, {34, 1}, {56, 1}}, order));
    if (shape == Shape::Absent) {
        exif.addEntry(exifDir, 0x927C, FormatUndefined, 40, Bytes(40, 0x5A));
        return exif.segment();
    }
    const int ifd1 = exif.addDirectory();
    exif.setNext(ifd0, ifd1);
    exif.addShort(ifd1, 0x0103, 6);
    if (shape == Shape::ImageTagsAndMore) exif.addLong(ifd1, 0x1234, 7);
    if (shape == Shape::PinnedInFront) {
        const Bytes note = makerNote(Shape::PinnedByMakerNote, order);
        exif.addEntry(exifDir, 0x927C, FormatUndefined, static_cast<uint32_t>(note.size()), note);
    }
    if (shape == Shape::LinkPastThumbnail) {
        ExifBuilder probe = exif;
        probe.setThumbnail(ifd1, Bytes(thumbLength, 0x77));
        probe.tiff();
        exif.setNextRaw(ifd1, probe.thumbnailOffset() + static_cast<uint32_t>(thumbLength));
    }
    if (shape == Shape::AbsentLinked) {
        exif.addEntry(exifDir, 0x927C, FormatUndefined, 40, Bytes(40, 0x5A));
        return exif.segment();
    }
    if (shape == Shape::SharedWithValue) {
        // One more entry moves everything after the directories by 12 bytes.
        ExifBuilder probe = exif;
        probe.setThumbnail(ifd1, Bytes(thumbLength, 0x77));
        probe.tiff();
        exif.addRawEntry(exifDir, 0x9286, FormatUndefined, 8, probe.thumbnailOffset() + 12 + 4);
    }
    exif.setThumbnail(ifd1, Bytes(thumbLength, 0x77));
    if (shape == Shape::BeforeMakerNote || shape == Shape::PinnedByMakerNote) {
        exif.appendTrailingValue(exifDir, 0x927C, makerNote(shape, order));
    }
    if (shape == Shape::NoteValueAtEnd) {
        ExifBuilder probe = exif;
        probe.appendTrailingValue(exifDir, 0x927C, noteWithValueAtItsEnd(order, 0));
        const auto end = static_cast<uint32_t>(probe.tiff().size());
        exif.appendTrailingValue(exifDir, 0x927C, noteWithValueAtItsEnd(order, end));
    }
    return exif.segment();
}

Bytes jpegThumbnail(size_t size) {
    Bytes bytes(std::max<size_t>(size, 4), 0x33);
    bytes[0] = 0xFF;
    bytes[1] = 0xD8;
    bytes[bytes.size() - 2] = 0xFF;
    bytes[bytes.size() - 1] = 0xD9;
    return bytes;
}

class KeepAllTest : public ::testing::Test {
  protected:
    void load(const Bytes& exifSegment) {
        JpegBuilder jpeg;
        if (!exifSegment.empty()) jpeg.exif(exifSegment);
        test::writeFile(photo, jpeg.image().bytes());
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(test::loadForTest(records, photo), 1);
        ::testing::internal::GetCapturedStderr();
    }
    // Writes the edited list and reads the written file again, as the next run of the tool would.
    void saveAndReload() {
        ASSERT_TRUE(saveJpegFile(records, edited.c_str()));
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(test::loadForTest(records, edited), 1);
        ::testing::internal::GetCapturedStderr();
    }
    JpegSection* findSection(int32_t marker) { return lumivex::findSection(records.sectionList, marker); }
    BlockView block() {
        JpegSection* seg = findSection(kMarkerApp1);
        return *exifBlockOf(seg->data.get(), static_cast<uint32_t>(seg->size));
    }
    // The value bytes of a tag in the directory that the first directory links to with linkTag.
    Bytes linkedValue(uint16_t linkTag, uint16_t tag) {
        const BlockView b = block();
        const auto first = directoryAt(b, b.read32(4));
        const auto link = findValue(b, *first, linkTag);
        const auto dir = directoryAt(b, b.read32(link->offset));
        const auto value = findValue(b, *dir, tag);
        if (!value) return {};
        return Bytes(b.tiff + value->offset, b.tiff + value->offset + value->bytes);
    }
    uint32_t firstNext() {
        const BlockView b = block();
        return b.read32(directoryAt(b, b.read32(4))->nextPos);
    }
    Bytes thumbnailNow() {
        const BlockView b = block();
        return Bytes(b.tiff + photoInfo.thumbOffset, b.tiff + photoInfo.thumbOffset + photoInfo.thumbLength);
    }

    test::TempDir dir;
    std::string photo = dir.path("photo.jpg");
    std::string edited = dir.path("edited.jpg");
    PhotoRecords records;
    const PhotoInfo& photoInfo = records.photoInfo;
};

TEST_F(KeepAllTest, ReplaceKeepsEveryFieldOnEachRoute) {
    struct Case {
        Shape shape;
        size_t newLength;
        ReplaceRoute route;
    };
    const Case cases[] = {
        {Shape::Last, 300, ReplaceRoute::InPlace},
        {Shape::BeforeMakerNote, 301, ReplaceRoute::Appended},
        {Shape::Absent, 300, ReplaceRoute::NewDirectory},
        {Shape::AbsentLinked, 300, ReplaceRoute::Refused},
        {Shape::PinnedByMakerNote, 90, ReplaceRoute::InPlace},  // overwritten where it is: size kept
        {Shape::PinnedByMakerNote, 101, ReplaceRoute::Refused},
        {Shape::SharedWithValue, 50, ReplaceRoute::Refused},
        {Shape::PinnedInFront, 90, ReplaceRoute::InPlace},  // padded: size kept
        {Shape::LinkPastThumbnail, 90, ReplaceRoute::Appended},
        {Shape::NoteValueAtEnd, 301, ReplaceRoute::Appended},
    };
    for (ExifByteOrder order : kOrders) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "shape " << static_cast<int>(c.shape) << " order "
                                              << static_cast<int>(order) << " length " << c.newLength);
            load(cameraBlock(c.shape, order, 100));
            const uint32_t oldOffset = photoInfo.thumbOffset;
            const int32_t oldSize = findSection(kMarkerApp1)->size;
            const Bytes segmentBefore(findSection(kMarkerApp1)->data.get(),
                                      findSection(kMarkerApp1)->data.get() + oldSize);
            const Bytes note = linkedValue(0x8769, 0x927C);
            const std::string latitude = photoInfo.gpsLatitude;
            const Bytes thumbnail = jpegThumbnail(c.newLength);

            EXPECT_EQ(planKeepAllReplacement(records, thumbnail.size()).route, c.route);
            const ReplacePlan plan = replaceKeepingAll(records, thumbnail);
            ASSERT_EQ(plan.route, c.route) << plan.why;
            if (c.route == ReplaceRoute::Refused) {
                EXPECT_FALSE(plan.why.empty());
                const JpegSection* seg = findSection(kMarkerApp1);
                EXPECT_EQ(Bytes(seg->data.get(), seg->data.get() + seg->size), segmentBefore);
                continue;
            }
            EXPECT_EQ(plan.segmentSize, static_cast<uint64_t>(findSection(kMarkerApp1)->size));
            if (c.shape == Shape::PinnedByMakerNote || c.shape == Shape::PinnedInFront) {
                EXPECT_EQ(findSection(kMarkerApp1)->size, oldSize);
            }
            saveAndReload();
            EXPECT_EQ(thumbnailNow(), thumbnail);
            EXPECT_EQ(linkedValue(0x8769, 0x927C), note);
            EXPECT_STREQ(photoInfo.gpsLatitude, latitude.c_str());
            EXPECT_STREQ(photoInfo.cameraMake, "Camera");
            if (c.route == ReplaceRoute::Appended) {
                EXPECT_EQ(photoInfo.thumbOffset % 2, 0u);
                const BlockView b = block();
                EXPECT_TRUE(
                    std::all_of(b.tiff + oldOffset, b.tiff + oldOffset + 100, [](uint8_t x) { return x == 0; }));
            }
            if (c.route == ReplaceRoute::NewDirectory) {
                EXPECT_EQ(linkedValue(0x8769, 0x9000), Bytes({'0', '2', '3', '0'}));
                EXPECT_NE(firstNext(), 0u);
            }
        }
    }
}

TEST_F(KeepAllTest, PhotoWithoutExifGetsABlockAValidatorAccepts) {
    for (size_t length : {size_t{0}, size_t{500}}) {
        load({});
        const Bytes thumbnail = length == 0 ? Bytes() : jpegThumbnail(length);
        const ReplacePlan plan = replaceKeepingAll(records, thumbnail);
        ASSERT_EQ(plan.route, ReplaceRoute::MinimalExif);
        saveAndReload();
        EXPECT_EQ(thumbnailNow(), thumbnail);
        EXPECT_EQ(linkedValue(0x8769, 0x9000), Bytes({'0', '2', '3', '1'}));
        EXPECT_EQ(linkedValue(0x8769, 0xA000), Bytes({'0', '1', '0', '0'}));
        EXPECT_TRUE(linkedValue(0x8769, 0x9003).empty());  // no capture date made up from the file's time
    }
}

TEST_F(KeepAllTest, SegmentLimitOneByteUnderAndOver) {
    for (ExifByteOrder order : kOrders) {
        for (Shape shape : {Shape::Last, Shape::BeforeMakerNote, Shape::Absent}) {
            load(cameraBlock(shape, order, 100, 20000));
            const ReplacePlan probe = planKeepAllReplacement(records, 0);
            ASSERT_NE(probe.route, ReplaceRoute::Refused) << probe.why;
            const uint64_t fits = 65535 - probe.segmentSize;
            EXPECT_EQ(planKeepAllReplacement(records, fits).segmentSize, 65535u);
            const ReplacePlan over = planKeepAllReplacement(records, fits + 1);
            EXPECT_EQ(over.route, ReplaceRoute::Refused);
            EXPECT_NE(over.why.find("1 bytes over"), std::string::npos) << over.why;
            EXPECT_EQ(planKeepAllReplacement(records, UINT64_MAX).route, ReplaceRoute::Refused);
            const ReplacePlan done = replaceKeepingAll(records, jpegThumbnail(fits));
            EXPECT_EQ(done.route, probe.route);
            EXPECT_EQ(findSection(kMarkerApp1)->size, 65535);
        }
    }
}

TEST_F(KeepAllTest, DeleteTakesTheEntriesAndAnEmptyDirectoryOut) {
    struct Case {
        Shape shape;
        RemoveResult result;
        bool unlinked;
    };
    const Case cases[] = {
        {Shape::Last, RemoveResult::Removed, true},
        {Shape::BeforeMakerNote, RemoveResult::Removed, true},
        {Shape::ImageTagsAndMore, RemoveResult::Removed, false},
        {Shape::PinnedByMakerNote, RemoveResult::Removed, true},
        {Shape::Absent, RemoveResult::NoThumbnail, false},
        {Shape::SharedWithValue, RemoveResult::Refused, false},
    };
    for (ExifByteOrder order : kOrders) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << "shape " << static_cast<int>(c.shape) << " order " << static_cast<int>(order));
            load(cameraBlock(c.shape, order, 100));
            const uint32_t oldOffset = photoInfo.thumbOffset;
            const int32_t oldSize = findSection(kMarkerApp1)->size;
            const uint32_t oldNext = firstNext();
            const Bytes note = linkedValue(0x8769, 0x927C);
            const JpegSection* seg = findSection(kMarkerApp1);
            const Bytes before(seg->data.get(), seg->data.get() + seg->size);
            std::string why;
            ASSERT_EQ(removeKeepingAll(records, &why), c.result) << why;
            if (c.result != RemoveResult::Removed) {
                EXPECT_EQ(Bytes(seg->data.get(), seg->data.get() + seg->size), before);
                EXPECT_EQ(why.empty(), c.result == RemoveResult::NoThumbnail);
                continue;
            }
            const bool cut = c.shape == Shape::Last || c.shape == Shape::ImageTagsAndMore;
            if (cut) {
                EXPECT_EQ(findSection(kMarkerApp1)->size, static_cast<int32_t>(8 + oldOffset));
            } else {
                EXPECT_EQ(findSection(kMarkerApp1)->size, oldSize);
            }
            saveAndReload();
            EXPECT_EQ(photoInfo.thumbOffset, 0u);
            EXPECT_EQ(linkedValue(0x8769, 0x927C), note);
            EXPECT_EQ(firstNext(), c.unlinked ? 0u : oldNext);
            if (!c.unlinked) {
                const BlockView b = block();
                const auto thumbDir = directoryAt(b, oldNext);
                EXPECT_EQ(thumbDir->entries, 2u);  // Compression and the other tag
                EXPECT_FALSE(findValue(b, *thumbDir, 0x0201));
                EXPECT_FALSE(findValue(b, *thumbDir, 0x0202));
            }
            if (!cut) {
                const BlockView b = block();
                EXPECT_TRUE(
                    std::all_of(b.tiff + oldOffset, b.tiff + oldOffset + 100, [](uint8_t x) { return x == 0; }));
            }
            EXPECT_EQ(removeKeepingAll(records, &why), RemoveResult::NoThumbnail);
        }
    }
}

// The project's real photos: each goes its own way, and a written result reads back the new thumbnail with
// every fact of the photo as before.
TEST_F(KeepAllTest, RealPhotosKeepTheirFacts) {
    struct Case {
        const char* file;
        ReplaceRoute route;
    };
    const Case cases[] = {
        {"photos/canon-40d.jpg", ReplaceRoute::InPlace},
        {"photos/fujifilm-6900zoom-mm.jpg", ReplaceRoute::InPlace},
        {"photos/fujifilm-e500-no-thumbnail.jpg", ReplaceRoute::NewDirectory},
        {"photos/kodak-dc240-mm.jpg", ReplaceRoute::InPlace},
        {"photos/nikon-gps.jpg", ReplaceRoute::InPlace},
        {"photos/olympus-no-exif.jpg", ReplaceRoute::MinimalExif},
        {"photos/xmp-bluesquare.jpg", ReplaceRoute::InPlace},
    };
    const Bytes thumbnail = jpegThumbnail(700);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(test::loadForTest(records, test::testDataPath(c.file)), 1);
        ::testing::internal::GetCapturedStderr();
        const PhotoInfo before = photoInfo;
        ASSERT_EQ(replaceKeepingAll(records, thumbnail).route, c.route);
        saveAndReload();
        EXPECT_EQ(thumbnailNow(), thumbnail);
        EXPECT_STREQ(photoInfo.cameraMake, before.cameraMake);
        EXPECT_STREQ(photoInfo.cameraModel, before.cameraModel);
        EXPECT_STREQ(photoInfo.gpsLatitude, before.gpsLatitude);
        EXPECT_EQ(photoInfo.width, before.width);
        if (c.route != ReplaceRoute::MinimalExif) {
            EXPECT_STREQ(photoInfo.dateTime, before.dateTime);
        }
    }
}

TEST(KeepAllNames, RouteNames) {
    EXPECT_STREQ(routeName(ReplaceRoute::InPlace), "in place");
    EXPECT_STREQ(routeName(ReplaceRoute::Appended), "appended");
    EXPECT_STREQ(routeName(ReplaceRoute::NewDirectory), "new thumbnail directory");
    EXPECT_STREQ(routeName(ReplaceRoute::MinimalExif), "minimal Exif block");
    EXPECT_STREQ(routeName(ReplaceRoute::Refused), "refused");
}

}  // namespace
}  // namespace lumivex
