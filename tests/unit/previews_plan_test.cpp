// Plans for rebuilding and removing copies: applied in memory, then the result scanned again.
#include <gtest/gtest.h>

#include "lumivex/previews.h"
#include "previews_test_files.h"

namespace lumivex {
namespace {

using namespace lumivex::testing;

struct Scanned {
    ByteVec file;
    SegmentMap map;
    previews::PreviewScan scan;
};

Scanned scanned(ByteVec file) {
    Scanned s{std::move(file), {}, {}};
    std::string why;
    walkSegments(s.file, s.file.size(), s.map, why);
    s.scan = previews::findPreviews(s.file, s.map);
    return s;
}

const previews::FoundPreview* copyOf(const Scanned& s, PreviewKind kind, int index = 0) {
    for (const auto& f : s.scan.found) {
        if (f.copy.kind == kind && f.copy.index == index) return &f;
    }
    return nullptr;
}

Scanned applied(const Scanned& s, const previews::PlannedEdits& planned) {
    ByteVec out;
    EXPECT_TRUE(applyPlan(s.file, planned.plan, out));
    return scanned(out);
}

ByteVec bytesOf(const Scanned& s, PreviewKind kind, int index = 0) {
    std::string why;
    const auto* f = copyOf(s, kind, index);
    return f != nullptr ? previews::previewBytes(s.file, *f, why) : ByteVec{};
}

// Rebuilding copies in front of the MPF index and an MPF image: every copy reads back as what was put in,
// and the index's offsets follow the size changes in front of its header.
TEST(PreviewPlans, SeveralKindsInOnePlanWithTheMpfIndexFollowing) {
    const ByteVec thumb = tinyJpeg(16, 12);
    const Scanned s =
        scanned(photoWithMpf({jfxxJpeg(thumb), photoshopSegment(0x040C, 16, 12, thumb),
                              xmpSegment("<xmp:Thumbnails><rdf:li><xmpGImg:width>16</xmpGImg:width><xmpGImg:height>12</"
                                         "xmpGImg:height><xmpGImg:image>/9j/"
                                         "</xmpGImg:image></rdf:li></xmp:Thumbnails>")},
                             {{0x010001, tinyJpeg(32, 24)}, {0x010001, tinyJpeg(30, 20)}}));
    const ByteVec bigger = tinyJpeg(17, 13, 0x33);
    ByteVec grown = bigger;
    grown.insert(grown.end() - 2, 300, 0x44);  // more image data: the copies grow
    const ByteVec mpfNew = tinyJpeg(32, 24, 0x55);
    std::vector<previews::PreviewEdit> edits = {
        {copyOf(s, PreviewKind::Jfxx), previews::PreviewAction::Rebuild, grown, {}},
        {copyOf(s, PreviewKind::Photoshop), previews::PreviewAction::Rebuild, grown, {}},
        {copyOf(s, PreviewKind::Xmp), previews::PreviewAction::Rebuild, grown, {}},
        {copyOf(s, PreviewKind::Mpf, 0), previews::PreviewAction::Rebuild, mpfNew, {}},
    };
    const auto planned = previews::planPreviewEdits(s.file, s.map, edits);
    EXPECT_EQ(planned.refused, std::vector<std::string>{});
    EXPECT_EQ(planned.done.size(), 4u);
    const Scanned after = applied(s, planned);
    EXPECT_EQ(bytesOf(after, PreviewKind::Jfxx), grown);
    EXPECT_EQ(bytesOf(after, PreviewKind::Photoshop), grown);
    EXPECT_EQ(bytesOf(after, PreviewKind::Xmp), grown);
    EXPECT_EQ(copyOf(after, PreviewKind::Xmp)->copy.width, 17);
    EXPECT_EQ(copyOf(after, PreviewKind::Xmp)->copy.height, 13);
    EXPECT_EQ(bytesOf(after, PreviewKind::Mpf, 0), mpfNew);
    EXPECT_EQ(bytesOf(after, PreviewKind::Mpf, 1), tinyJpeg(30, 20));  // moved, untouched
}

TEST(PreviewPlans, RemovalsLeaveNoCopyAndKeepTheRest) {
    const ByteVec thumb = tinyJpeg(16, 12);
    const Scanned s = scanned(
        photoWithMpf({jfxxJpeg(thumb), photoshopSegment(0x040C, 16, 12, thumb),
                      xmpSegment("<a/><xmp:Thumbnails><xmpGImg:image>/9j/</xmpGImg:image></xmp:Thumbnails><b/>")},
                     {{0x010001, tinyJpeg(32, 24)}, {0x010001, tinyJpeg(30, 20)}}));
    std::vector<previews::PreviewEdit> edits;
    for (const auto& f : s.scan.found) {
        if (!(f.copy.kind == PreviewKind::Mpf && f.copy.index == 1))
            edits.push_back({&f, previews::PreviewAction::Remove, {}, {}});
    }
    const auto planned = previews::planPreviewEdits(s.file, s.map, edits);
    EXPECT_EQ(planned.done.size(), 4u);
    const Scanned after = applied(s, planned);
    ASSERT_EQ(after.scan.found.size(), 1u);
    EXPECT_EQ(bytesOf(after, PreviewKind::Mpf, 0), tinyJpeg(30, 20));  // its entry now the only one after the photo
    const std::string xmp(after.file.begin(), after.file.end());
    EXPECT_NE(xmp.find("<a/><b/>"), std::string::npos);
    EXPECT_NE(xmp.find("8BIM\x04\x04"), std::string::npos);  // the other Photoshop resource stays
}

TEST(PreviewPlans, XmpTakesRoomFromItsPaddingAndRefusesBeyondIt) {
    const std::string head = "<xmp:Thumbnails><xmpGImg:image>/9j/</xmpGImg:image></xmp:Thumbnails>";
    const std::string tail = "<?xpacket end='w'?>";
    struct Case {
        size_t padding;
        size_t bytes;
        bool fits;
    } cases[] = {{30000, 30000, true}, {30000, 49100, false}};
    for (const Case& c : cases) {
        const ByteVec big(c.bytes, 0x66);
        const Scanned s = scanned(photoWith({xmpSegment(head + std::string(c.padding, ' ') + tail)}));
        const auto planned = previews::planPreviewEdits(
            s.file, s.map, {{copyOf(s, PreviewKind::Xmp), previews::PreviewAction::Rebuild, big, {}}});
        EXPECT_EQ(planned.done.size(), c.fits ? 1u : 0u) << c.padding;
        if (c.fits) {
            EXPECT_EQ(bytesOf(applied(s, planned), PreviewKind::Xmp), big);
        }
    }
}

TEST(PreviewPlans, AMakerNotePreviewChangesOnlyInPlace) {
    const Scanned s = scanned(sonyPhoto());
    const auto* found = copyOf(s, PreviewKind::MakerNote);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->copy.note, "Sony PreviewImage");
    struct Case {
        previews::PreviewAction action;
        ByteVec jpeg;
        bool done;
    } cases[] = {
        {previews::PreviewAction::Rebuild, tinyJpeg(9, 9), true},
        {previews::PreviewAction::Rebuild, ByteVec(65, 0xFF), false},
        {previews::PreviewAction::Remove, {}, true},
    };
    for (const Case& c : cases) {
        const auto planned = previews::planPreviewEdits(s.file, s.map, {{found, c.action, c.jpeg, {}}});
        ASSERT_EQ(planned.done.size(), c.done ? 1u : 0u);
        if (!c.done) {
            EXPECT_NE(planned.refused[0].find("maker-note data never moves"), std::string::npos);
            continue;
        }
        ByteVec out;
        ASSERT_TRUE(applyPlan(s.file, planned.plan, out));
        ASSERT_EQ(out.size(), s.file.size());
        for (size_t i = 0; i < out.size(); ++i) {
            if (i < found->copy.offset || i >= found->copy.offset + found->copy.length) {
                ASSERT_EQ(out[i], s.file[i]);
            }
        }
        ByteVec expected = c.jpeg;
        expected.resize(64, 0);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + found->copy.offset));
    }
}

// With the Exif segment written anew in the same plan, a maker-note copy inside it is edited in its new bytes,
// only where those still hold the copy where it was.
TEST(PreviewPlans, AMakerNoteCopyInsideTheNewExifSegmentIsEditedThere) {
    const Scanned s = scanned(sonyPhoto());
    const auto* found = copyOf(s, PreviewKind::MakerNote);
    ASSERT_NE(found, nullptr);
    const SegmentEntry app1 = s.map.segments[0];
    const ByteVec jpeg = tinyJpeg(9, 9);
    for (const bool moved : {false, true}) {
        // The segment grown by 4 bytes: at its end, or in front of the copy.
        Splice exif{app1.offset, app1.length, ByteVec(s.file.begin() + app1.offset, s.file.begin() + app1.end())};
        const size_t at = moved ? found->copy.offset - app1.offset - 1 : exif.bytes.size();
        exif.bytes.insert(exif.bytes.begin() + at, 4, 0);
        exif.bytes[3] = uint8_t(exif.bytes[3] + 4);
        const auto planned =
            previews::planPreviewEdits(s.file, s.map, {{found, previews::PreviewAction::Rebuild, jpeg, {}}}, {exif});
        ASSERT_EQ(planned.plan.splices.size(), 1u) << moved;
        EXPECT_EQ(planned.done.size(), moved ? 0u : 1u) << moved;
        if (moved) continue;
        ByteVec padded = jpeg;
        padded.resize(found->copy.length, 0);
        EXPECT_EQ(bytesOf(applied(s, planned), PreviewKind::MakerNote), padded);
    }
}

// Edits between the MPF index and its images change the distance between them: the index follows, with no
// MPF image edited.
TEST(PreviewPlans, TheMpfIndexFollowsEditsBetweenItAndItsImages) {
    const ByteVec image = tinyJpeg(32, 24, 0x55);
    const ByteVec xmp = xmpSegment("<xmp:Thumbnails><xmpGImg:image>/9j/</xmpGImg:image></xmp:Thumbnails>");
    // The MPF index first, the segments given after it; after the photo, between and then the MPF image.
    const auto build = [&](const std::vector<ByteVec>& after, const ByteVec& between) {
        std::vector<ByteVec> segments = {mpfSegment(0, {{0x010001, 0, 0}})};
        segments.insert(segments.end(), after.begin(), after.end());
        const uint32_t primary = uint32_t(photoWith(segments).size());
        const uint32_t header = 2 + 8;
        segments[0] =
            mpfSegment(primary, {{0x010001, uint32_t(image.size()), uint32_t(primary + between.size() - header)}});
        ByteVec trailing = between;
        append(trailing, image);
        return photoWith(segments, trailing);
    };
    ByteVec grown = tinyJpeg(40, 30, 0x77);
    grown.insert(grown.end() - 2, 500, 0x44);
    struct Case {
        const char* name;
        ByteVec file;
        PreviewKind kind;
        previews::PreviewAction action;
    } cases[] = {
        {"an XMP thumbnail after the index grows", build({xmp}, {}), PreviewKind::Xmp,
         previews::PreviewAction::Rebuild},
        {"a JPEG in front of the MPF image goes", build({}, tinyJpeg(24, 18)), PreviewKind::Trailer,
         previews::PreviewAction::Remove},
        {"a JPEG in front of the MPF image grows", build({}, tinyJpeg(24, 18)), PreviewKind::Trailer,
         previews::PreviewAction::Rebuild},
    };
    for (const Case& c : cases) {
        const Scanned s = scanned(c.file);
        ASSERT_EQ(bytesOf(s, PreviewKind::Mpf), image) << c.name;
        const auto planned = previews::planPreviewEdits(s.file, s.map, {{copyOf(s, c.kind), c.action, grown, {}}});
        EXPECT_EQ(planned.done.size(), 1u) << c.name;
        const Scanned after = applied(s, planned);
        EXPECT_EQ(bytesOf(after, PreviewKind::Mpf), image) << c.name;
        EXPECT_EQ(bytesOf(after, c.kind), c.action == previews::PreviewAction::Rebuild ? grown : ByteVec{}) << c.name;
    }
}

}  // namespace
}  // namespace lumivex
