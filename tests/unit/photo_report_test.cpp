#include "engine/report/photo_report.h"

#include <gtest/gtest.h>

#include "engine/diag/diag.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;
using test::JpegBuilder;

TEST(PhotoReport, ReadsTheSegmentsBeforeTheImageDataAsAValue) {
    test::TempDir dir;
    ExifBuilder exif(ExifByteOrder::Motorola);
    exif.addAscii(exif.addDirectory(), 0x010F, "Maker");
    const std::string a = dir.path("a.jpg");
    const std::string b = dir.path("b.jpg");
    const std::string cut = dir.path("cut.jpg");
    test::writeFile(a, JpegBuilder().exif(exif.segment()).image(640, 480).bytes());
    test::writeFile(b, JpegBuilder().image().bytes());
    test::writeFile(cut, {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x10, 1, 2});
    std::string reports;
    ScopedReportSink sink([&reports](std::string_view text) { reports.append(text); });

    const std::optional<PhotoReport> first = readPhotoReport(a.c_str());
    ASSERT_TRUE(first.has_value());
    ASSERT_TRUE(readPhotoReport(b.c_str()).has_value());  // another photo read afterwards changes nothing in it
    EXPECT_STREQ(first->facts.cameraMake, "Maker");
    EXPECT_EQ(first->facts.width, 640);
    EXPECT_EQ(first->byteOrder, ExifByteOrder::Motorola);
    ASSERT_FALSE(first->sections.empty());
    EXPECT_EQ(first->sections.front().marker, 0xE1);
    EXPECT_EQ(first->sections.back().marker, 0xDA);  // the image data is not read

    std::string fatal;
    EXPECT_FALSE(readPhotoReport(cut.c_str(), &fatal).has_value());
    EXPECT_EQ(fatal, "Premature end of file?");
    EXPECT_NE(reports.find("Error : Premature end of file?"), std::string::npos);
}

}  // namespace
}  // namespace lumivex
