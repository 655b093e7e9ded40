#include <gtest/gtest.h>

#include "tests/unit/exif_test_support.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;

class MakerNoteTest : public test::ExifParseTest {
  protected:
    // A block whose maker note is a directory of Canon entries in Intel order: (tag, format, shorts).
    struct CanonEntry {
        uint16_t tag;
        uint16_t format;
        std::vector<uint32_t> shorts;
    };
    std::string parseWithMakerNote(const std::string& make, ExifByteOrder order, const std::vector<CanonEntry>& entries,
                                   float subjectDistance = 0) {
        // The maker note's own directory and values are laid out by hand, offsets from the TIFF header.
        ExifBuilder exif(order);
        const int ifd0 = exif.addDirectory();
        exif.addAscii(ifd0, 0x010F, make);
        if (subjectDistance > 0) exif.addRational(ifd0, 0x9206, static_cast<int32_t>(subjectDistance * 10), 10);
        exif.addRawEntry(ifd0, 0x927C, FormatUndefined, 0, 0);  // placeholder, replaced below
        const Bytes probe = exif.tiff();
        const uint32_t noteAt = static_cast<uint32_t>(probe.size());
        Bytes note;
        test::put16(note, 0, static_cast<uint32_t>(entries.size()), ExifByteOrder::Intel);
        uint32_t valuesAt = noteAt + 2 + 12 * static_cast<uint32_t>(entries.size());
        Bytes values;
        for (size_t i = 0; i < entries.size(); ++i) {
            const CanonEntry& e = entries[i];
            const size_t p = 2 + 12 * i;
            test::put16(note, p, e.tag, ExifByteOrder::Intel);
            test::put16(note, p + 2, e.format, ExifByteOrder::Intel);
            test::put32(note, p + 4, static_cast<uint32_t>(e.shorts.size()), ExifByteOrder::Intel);
            test::put32(note, p + 8, valuesAt + static_cast<uint32_t>(values.size()), ExifByteOrder::Intel);
            for (uint32_t v : e.shorts) test::put16(values, values.size(), v, ExifByteOrder::Intel);
        }
        note.insert(note.end(), values.begin(), values.end());
        ExifBuilder final(order);
        const int d = final.addDirectory();
        final.addAscii(d, 0x010F, make);
        if (subjectDistance > 0) final.addRational(d, 0x9206, static_cast<int32_t>(subjectDistance * 10), 10);
        final.appendTrailingValue(d, 0x927C, note);
        return parse(final.segment());
    }
    static std::vector<uint32_t> withElement(size_t count, size_t index, uint32_t value) {
        std::vector<uint32_t> shorts(count, 0);
        shorts[index] = value;
        return shorts;
    }
};

TEST_F(MakerNoteTest, IsoFromCameraSettings) {
    struct Case {
        uint32_t element16;
        int32_t iso;
    };
    for (Case c : {Case{16, 50}, Case{18, 200}, Case{24, 12800}, Case{15, 0}, Case{25, 0}}) {
        SetUp();
        EXPECT_EQ(
            parseWithMakerNote("Canon", ExifByteOrder::Intel, {{1, FormatShort, withElement(17, 16, c.element16)}}),
            "");
        EXPECT_EQ(photoInfo.isoEquivalent, c.iso) << c.element16;
    }
}

TEST_F(MakerNoteTest, ReadInIntelOrderInsideAMotorolaBlock) {
    parseWithMakerNote("Canon", ExifByteOrder::Motorola, {{1, FormatShort, withElement(17, 16, 19)}});
    EXPECT_EQ(photoInfo.isoEquivalent, 400);
    EXPECT_EQ(exifByteOrder, ExifByteOrder::Motorola);  // the block's order is back afterwards
}

TEST_F(MakerNoteTest, LightSourceAndSubjectDistance) {
    struct Case {
        uint16_t format;
        uint32_t element7;
        uint32_t element19;
        float exifDistance;
        int32_t lightSource;
        float distance;
    };
    const Case cases[] = {
        {FormatShort, 4, 250, 0, 2, 2.5f},
        {FormatShort, 1, 0xFFFF, 0, 1, -1.0f},
        {FormatShort, 5, 250, 3.0f, 4, 3.0f},
        {FormatLong, 4, 250, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        std::vector<uint32_t> shorts(20, 0);
        shorts[7] = c.element7;
        shorts[19] = c.element19;
        parseWithMakerNote("Canon", ExifByteOrder::Intel, {{4, c.format, shorts}}, c.exifDistance);
        EXPECT_EQ(photoInfo.lightSource, c.lightSource);
        EXPECT_FLOAT_EQ(photoInfo.subjectDistance, c.distance);
    }
}

TEST_F(MakerNoteTest, OtherMakersAreNotRead) {
    for (const char* make : {"CANON", "Nikon"}) {
        SetUp();
        // Garbage that would be reported if it were read.
        EXPECT_EQ(parseWithMakerNote(make, ExifByteOrder::Intel, {{1, 99, {1}}}), "");
    }
    SetUp();
    EXPECT_EQ(parseWithMakerNote("Canon Inc.", ExifByteOrder::Intel, {{1, 99, {1}}}),
              report("Illegal Exif number format 99 for maker tag 0001"));
}

TEST_F(MakerNoteTest, CountThatDoesNotFitIsReported) {
    ExifBuilder exif(ExifByteOrder::Motorola);
    const int d = exif.addDirectory();
    exif.addAscii(d, 0x010F, "Canon");
    exif.appendTrailingValue(d, 0x927C, {0x00, 0x05, 0, 0, 0, 0});
    EXPECT_EQ(parse(exif.segment()), report("Illegally sized Exif makernote subdir (1280 entries)"));
}

TEST_F(MakerNoteTest, NarrowCameraSettingsAreNotReadPastTheirValue) {
    // BYTE format with 17 components: element 16 would lie outside the value's 17 bytes.
    ExifBuilder exif(ExifByteOrder::Intel);
    const int d = exif.addDirectory();
    exif.addAscii(d, 0x010F, "Canon");
    Bytes note = {1, 0, 1, 0, FormatByte, 0, 17, 0, 0, 0, 0, 0, 0, 0};
    exif.appendTrailingValue(d, 0x927C, note);
    EXPECT_EQ(parse(exif.segment()), "");
    EXPECT_EQ(photoInfo.isoEquivalent, 0);
}

}  // namespace
}  // namespace lumivex
