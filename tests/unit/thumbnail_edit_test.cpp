#include "engine/thumbnail/thumbnail_edit.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/exif/exif_layout.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;
using test::JpegBuilder;

class ThumbnailEditTest : public ::testing::Test {
  protected:
    // Loads a JPEG made of the given Exif segments; the reports go to `errors`.
    void loadWith(std::initializer_list<Bytes> exifSegments) {
        JpegBuilder jpeg;
        for (const Bytes& seg : exifSegments) jpeg.exif(seg);
        test::writeFile(photo, jpeg.image().bytes());
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(test::loadForTest(records, photo), 1);
        errors = ::testing::internal::GetCapturedStderr();
    }
    std::string newThumbnail(size_t size) {
        Bytes bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7);
        test::writeFile(thumb, bytes);
        return thumb;
    }
    int swap(const char* path) {
        ::testing::internal::CaptureStderr();
        const int result = swapThumbnail(records, path);
        errors = ::testing::internal::GetCapturedStderr();
        return result;
    }
    static Bytes bytesOf(const JpegSection* seg) { return Bytes(seg->data.get(), seg->data.get() + seg->size); }
    static uint32_t read32(const uint8_t* p, ExifByteOrder order) { return exifReadU32(p, order); }
    JpegSection* findSection(int32_t marker) { return lumivex::findSection(records.sectionList, marker); }
    int exportThumbnail(const char* outPath) { return lumivex::exportThumbnail(records, outPath); }

    test::TempDir dir;
    std::string photo = dir.path("photo.jpg");
    std::string thumb = dir.path("thumb.jpg");
    std::string errors;
    PhotoRecords records;
    const PhotoInfo& photoInfo = records.photoInfo;
    const SectionList& sectionList = records.sectionList;
    const ThumbnailOrigin& thumbnailOrigin = records.thumbnailOrigin;
};

// A block whose thumbnail starts at `thumbOffset` and is the last thing in it.
ExifBuilder blockWithThumbnailAt(uint32_t thumbOffset, ExifByteOrder order, size_t thumbLength = 100) {
    ExifBuilder probe(order);
    const int p0 = probe.addDirectory();
    probe.addEntry(p0, 0x9286, FormatUndefined, 8, Bytes(8, 'x'));
    probe.setThumbnail(p0, Bytes(thumbLength, 1));
    probe.tiff();
    const uint32_t padding = thumbOffset - probe.thumbnailOffset() + 8;
    ExifBuilder exif(order);
    const int ifd0 = exif.addDirectory();
    exif.addEntry(ifd0, 0x9286, FormatUndefined, padding, Bytes(padding, 'x'));
    exif.setThumbnail(ifd0, Bytes(thumbLength, 1));
    exif.tiff();
    EXPECT_EQ(exif.thumbnailOffset(), thumbOffset);
    return exif;
}

TEST_F(ThumbnailEditTest, SizeLimitOfTheSegment) {
    struct Case {
        size_t newLength;
        int result;
    };
    for (Case c : {Case{50516, ThumbDone}, Case{50517, ThumbTooLarge}}) {
        loadWith({blockWithThumbnailAt(15000, ExifByteOrder::Intel).segment()});
        const Bytes before = bytesOf(findSection(0xE1));
        EXPECT_EQ(swap(newThumbnail(c.newLength).c_str()), c.result) << c.newLength;
        const JpegSection* seg = findSection(0xE1);
        if (c.result == ThumbDone) {
            EXPECT_EQ(seg->size, 65524);
            EXPECT_EQ(seg->data[0] * 256 + seg->data[1], 65524);
        } else {
            EXPECT_EQ(bytesOf(seg), before);
            EXPECT_EQ(records.lastTooLarge.newLength, 50517u);
            EXPECT_EQ(records.lastTooLarge.room, 50516u);
        }
    }
}

TEST_F(ThumbnailEditTest, ReplacementRewritesLengthsInTheBlocksOrder) {
    for (ExifByteOrder order : {ExifByteOrder::Intel, ExifByteOrder::Motorola}) {
        loadWith({blockWithThumbnailAt(300, order).segment()});
        const std::string path = newThumbnail(1234);
        ASSERT_EQ(swap(path.c_str()), ThumbDone);
        const JpegSection* seg = findSection(0xE1);
        EXPECT_EQ(seg->size, 8 + 300 + 1234);
        EXPECT_EQ(seg->data[0] * 256 + seg->data[1], seg->size);
        EXPECT_EQ(photoInfo.thumbLength, 1234u);
        EXPECT_EQ(read32(seg->data.get() + 8 + photoInfo.thumbLengthPos, order), 1234u);
        EXPECT_EQ(Bytes(seg->data.get() + 8 + 300, seg->data.get() + seg->size), test::readFile(path));
    }
}

TEST_F(ThumbnailEditTest, RemovalCutsTheSegmentAtTheThumbnail) {
    loadWith({blockWithThumbnailAt(300, ExifByteOrder::Motorola).segment()});
    ASSERT_EQ(swap(nullptr), ThumbDone);
    const JpegSection* seg = findSection(0xE1);
    EXPECT_EQ(seg->size, 308);
    EXPECT_EQ(read32(seg->data.get() + 8 + photoInfo.thumbLengthPos, ExifByteOrder::Motorola), 0u);
    EXPECT_EQ(swap(nullptr), ThumbNothingDone);  // already empty
    EXPECT_EQ(exportThumbnail(dir.path("out.jpg").c_str()), ThumbNotReplaceable);
}

TEST_F(ThumbnailEditTest, RemovalOfALengthInByteFormatZeroesItsWholeField) {
    for (ExifByteOrder order : {ExifByteOrder::Intel, ExifByteOrder::Motorola}) {
        ExifBuilder exif(order);
        const int ifd0 = exif.addDirectory();
        exif.addAscii(ifd0, 0x010F, "Camera");
        exif.setThumbnail(ifd0, Bytes(100, 1), FormatByte);
        loadWith({exif.segment()});
        ASSERT_EQ(photoInfo.thumbLength, 100u);
        ASSERT_EQ(swap(nullptr), ThumbDone);
        const JpegSection* seg = findSection(0xE1);
        EXPECT_EQ(static_cast<uint32_t>(seg->size), 8 + photoInfo.thumbOffset);
        EXPECT_EQ(read32(seg->data.get() + 8 + photoInfo.thumbLengthPos, order), 0u);
    }
}

TEST_F(ThumbnailEditTest, NoThumbnail) {
    ExifBuilder exif(ExifByteOrder::Intel);
    exif.addAscii(exif.addDirectory(), 0x010F, "Maker");
    loadWith({exif.segment()});
    EXPECT_EQ(swap(nullptr), ThumbNoneToRemove);
    EXPECT_EQ(swap(newThumbnail(10).c_str()), ThumbNotReplaceable);
    EXPECT_EQ(errors, "Image contains no thumbnail to replace - add is not possible\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(exportThumbnail(dir.path("out.jpg").c_str()), ThumbNotReplaceable);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Image contains no thumbnail\n");
    EXPECT_FALSE(test::fileExists(dir.path("out.jpg")));
}

TEST_F(ThumbnailEditTest, ExportWritesTheEmbeddedBytes) {
    ExifBuilder exif = blockWithThumbnailAt(200, ExifByteOrder::Intel, 77);
    loadWith({exif.segment()});
    ASSERT_EQ(exportThumbnail(dir.path("out.jpg").c_str()), ThumbDone);
    EXPECT_EQ(test::readFile(dir.path("out.jpg")), Bytes(77, 1));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(exportThumbnail(dir.path("missing/out.jpg").c_str()), ThumbExportFailed);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "\nNonfatal Error : '" + photo + "' Could not write thumbnail file\n");
}

// A thumbnail in the second of two Exif segments: the first is what findSection gives.
TEST_F(ThumbnailEditTest, FactsFromAnotherSegmentAreNeverAppliedToTheFirst) {
    ExifBuilder first(ExifByteOrder::Intel);
    first.addAscii(first.addDirectory(), 0x010F, "Maker");
    loadWith({first.segment(), blockWithThumbnailAt(60, ExifByteOrder::Intel, 30).segment()});
    const Bytes firstBefore = bytesOf(findSection(0xE1));
    EXPECT_EQ(swap(newThumbnail(10).c_str()), ThumbNotReplaceable);
    EXPECT_EQ(exportThumbnail(dir.path("out.jpg").c_str()), ThumbNotReplaceable);
    EXPECT_EQ(bytesOf(findSection(0xE1)), firstBefore);
    // Removal zeroes the thumbnail where it is, in its own segment.
    ASSERT_EQ(swap(nullptr), ThumbDone);
    EXPECT_EQ(bytesOf(findSection(0xE1)), firstBefore);
    const JpegSection& second = sectionList.sections[1];
    EXPECT_EQ(Bytes(second.data.get() + 8 + 60, second.data.get() + 8 + 90), Bytes(30, 0));
}

TEST_F(ThumbnailEditTest, LengthIsWrittenInTheThumbnailSegmentsOwnOrder) {
    // The Motorola segment holds the thumbnail; an Intel segment parsed after it leaves Intel as current order.
    ExifBuilder second(ExifByteOrder::Intel);
    second.addAscii(second.addDirectory(), 0x010F, "Maker");
    loadWith({blockWithThumbnailAt(300, ExifByteOrder::Motorola).segment(), second.segment()});
    ASSERT_EQ(records.exifByteOrder, ExifByteOrder::Intel);
    ASSERT_EQ(swap(newThumbnail(500).c_str()), ThumbDone);
    EXPECT_EQ(read32(findSection(0xE1)->data.get() + 8 + photoInfo.thumbLengthPos, ExifByteOrder::Motorola), 500u);
}

TEST_F(ThumbnailEditTest, ThumbnailWithoutALengthEntryIsNotReplaceable) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addAscii(ifd0, 0x010F, "Maker");
    exif.setThumbnail(ifd0, Bytes(50, 1), FormatLong, /*withLength=*/false);
    loadWith({exif.segment()});
    const Bytes before = bytesOf(findSection(0xE1));
    EXPECT_EQ(swap(newThumbnail(10).c_str()), ThumbNotReplaceable);
    EXPECT_EQ(swap(nullptr), ThumbNothingDone);     // its length reads as 0
    EXPECT_EQ(bytesOf(findSection(0xE1)), before);  // the TIFF header was not written over
}

TEST_F(ThumbnailEditTest, ShortLengthTagIsWrittenAsAShort) {
    ExifBuilder exif(ExifByteOrder::Motorola);
    const int ifd0 = exif.addDirectory();
    exif.setThumbnail(ifd0, Bytes(50, 1), FormatShort);
    loadWith({exif.segment()});
    ASSERT_EQ(swap(newThumbnail(700).c_str()), ThumbDone);
    const uint8_t* value = findSection(0xE1)->data.get() + 8 + photoInfo.thumbLengthPos;
    EXPECT_EQ(value[0] * 256 + value[1], 700);
}

TEST_F(ThumbnailEditTest, LengthEntryFormats) {
    struct Case {
        uint16_t format;
        uint32_t width;        // bytes an edit rewrites; 0: not rewritable
        uint16_t formatAfter;  // the entry's format code once a length was written
    };
    const Case cases[] = {{FormatLong, 4, FormatLong},   {FormatSLong, 4, FormatSLong},
                          {FormatShort, 2, FormatShort}, {FormatSShort, 2, FormatShort},
                          {FormatByte, 0, FormatByte},   {FormatUndefined, 0, FormatUndefined}};
    for (const Case& c : cases) {
        ExifBuilder exif(ExifByteOrder::Motorola);
        exif.setThumbnail(exif.addDirectory(), Bytes(50, 1), c.format);
        loadWith({exif.segment()});
        ASSERT_EQ(thumbnailOrigin.lengthFormat, c.format);
        EXPECT_EQ(thumbnailLengthWidth(c.format), c.width) << c.format;
        JpegSection* seg = thumbnailSection(records);
        ASSERT_NE(seg, nullptr);
        if (c.width == 0) continue;
        uint8_t* tiff = seg->data.get() + 8;
        writeThumbnailLength(thumbnailOrigin, tiff, 40000);
        const uint8_t* entry = tiff + thumbnailOrigin.lengthEntryPos;
        EXPECT_EQ(entry[2] * 256 + entry[3], c.formatAfter) << c.format;
        const uint8_t* value = tiff + photoInfo.thumbLengthPos;
        const uint32_t written = c.width == 4 ? read32(value, ExifByteOrder::Motorola) : value[0] * 256u + value[1];
        EXPECT_EQ(written, 40000u) << c.format;
    }
}

// A thumbnail followed by another value: zeroed in place, every other byte unchanged.
TEST_F(ThumbnailEditTest, RemovalOfAThumbnailThatIsNotLast) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.setThumbnail(ifd0, Bytes(40, 9));
    exif.appendTrailingValue(ifd0, 0x927C, Bytes(16, 3));
    loadWith({exif.segment()});
    ASSERT_EQ(photoInfo.thumbAtEnd, 0);
    Bytes expected = bytesOf(findSection(0xE1));
    const uint32_t at = photoInfo.thumbOffset;
    ASSERT_EQ(swap(nullptr), ThumbDone);
    std::fill(expected.begin() + 8 + at, expected.begin() + 8 + at + 40, 0);
    test::put32(expected, 8 + photoInfo.thumbLengthPos, 0, ExifByteOrder::Intel);
    EXPECT_EQ(bytesOf(findSection(0xE1)), expected);
    EXPECT_EQ(photoInfo.thumbLength, 0u);
}

TEST_F(ThumbnailEditTest, ThumbnailSharingBytesWithAValueIsLeftAlone) {
    // ThumbnailOffset points at the value of a 16-byte entry (header 8 + directory of 3 entries = 50).
    ExifBuilder shared(ExifByteOrder::Intel);
    const int d = shared.addDirectory();
    shared.addEntry(d, 0x9286, FormatUndefined, 16, Bytes(16, 'c'));
    shared.addRawEntry(d, 0x0201, FormatLong, 1, 8 + 2 + 3 * 12 + 4);
    shared.addLong(d, 0x0202, 16);
    shared.appendTrailingValue(d, 0x927C, Bytes(8, 3));
    loadWith({shared.segment()});
    ASSERT_EQ(photoInfo.thumbOffset, 50u);
    const Bytes before = bytesOf(findSection(0xE1));
    EXPECT_EQ(swap(nullptr), ThumbNothingDone);
    EXPECT_EQ(bytesOf(findSection(0xE1)), before);
}

}  // namespace
}  // namespace lumivex
