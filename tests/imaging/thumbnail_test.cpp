// The tool's side of the thumbnails: the quality step-down at the segment's limit, the box option and the
// other previews found in a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "cli/embedded_previews.h"
#include "cli/regenerate_command.h"
#include "imaging_support.h"

namespace lumivex::cli {
namespace {

using imaging::test::dataPath;
using imaging::test::readFile;

TEST(MakeThumbnail, FitsTheBoxAtTheFirstQualityThatFits) {
    const std::string photo = dataPath("baseline-420.jpg");  // 320x240
    const NewThumbnail roomy = makeThumbnail(photo, RegenerateOptions{}, 65000);
    ASSERT_TRUE(roomy.error.empty()) << roomy.error;
    EXPECT_EQ(roomy.quality, 85);
    EXPECT_EQ(roomy.image.width, 160);
    EXPECT_EQ(roomy.image.height, 120);

    // wine's encoder takes no quality (every quality gives the same bytes): there, nothing can step down.
    const bool qualityWorks = imaging::encodeBaselineJpeg(roomy.image, 5).bytes.size() < roomy.jpeg.size();
    if (qualityWorks) {
        const NewThumbnail tight = makeThumbnail(photo, RegenerateOptions{}, roomy.jpeg.size() - 1);
        ASSERT_TRUE(tight.error.empty()) << tight.error;
        EXPECT_LT(tight.quality, 85);
        EXPECT_EQ((85 - tight.quality) % 5, 0);
        EXPECT_LE(tight.jpeg.size(), roomy.jpeg.size() - 1);
    }

    const NewThumbnail none = makeThumbnail(photo, RegenerateOptions{}, 300);
    EXPECT_TRUE(none.jpeg.empty());
    EXPECT_NE(none.error.find("does not fit"), std::string::npos) << none.error;

    const NewThumbnail square = makeThumbnail(photo, RegenerateOptions{100, 100, 90}, 65000);
    EXPECT_EQ(square.image.width, 100);
    EXPECT_EQ(square.image.height, 75);
    EXPECT_EQ(square.quality, 90);

    const NewThumbnail broken = makeThumbnail(dataPath("no-such-file.jpg"), RegenerateOptions{}, 65000);
    EXPECT_FALSE(broken.error.empty());
}

TEST(ParseBoxSize, AcceptsWidthByHeight) {
    struct Case {
        const char* text;
        bool ok;
        int w, h;
    };
    for (const Case& c : {Case{"160x120", true, 160, 120}, Case{"64X48", true, 64, 48}, Case{"1024x1", true, 1024, 1},
                          Case{"0x120", false, 0, 0}, Case{"1025x10", false, 0, 0}, Case{"160", false, 0, 0},
                          Case{"x120", false, 0, 0}, Case{"160x-1", false, 0, 0}, Case{"", false, 0, 0}}) {
        int w = 0, h = 0;
        EXPECT_EQ(parseBoxSize(c.text, &w, &h), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(std::pair(w, h), std::pair(c.w, c.h)) << c.text;
        }
    }
}

}  // namespace
}  // namespace lumivex::cli
