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

}  // namespace
}  // namespace lumivex::cli
