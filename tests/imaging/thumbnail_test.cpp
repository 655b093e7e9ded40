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

TEST(FindOtherPreviews, NamesTheCopiesASweepLeaves) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "lumivex-previews-test";
    std::filesystem::create_directories(folder);
    const std::vector<uint8_t> jpeg = readFile(dataPath("baseline-420.jpg"));
    const auto write = [&](const char* name, const std::vector<uint8_t>& bytes) {
        const std::string path = (folder / name).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    };
    std::vector<uint8_t> twice = jpeg;
    twice.insert(twice.end(), jpeg.begin(), jpeg.end());
    const std::string plain = write("plain.jpg", jpeg);
    const std::string trailer = write("trailer.jpg", twice);
    const std::string cut = write("cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));

    EXPECT_TRUE(findOtherPreviews(plain).previews.empty());
    EXPECT_TRUE(findOtherPreviews(plain).error.empty());
    EXPECT_EQ(findOtherPreviews(trailer).previews,
              std::vector<std::string>{"1 JPEG image after the end of the image (" + std::to_string(jpeg.size()) +
                                       " bytes)"});
    EXPECT_FALSE(findOtherPreviews(cut).error.empty());
    EXPECT_EQ(findOtherPreviews(std::string(LUMIVEX_TEST_DATA) + "/photos/xmp-bluesquare.jpg").previews,
              std::vector<std::string>{"Photoshop thumbnail (APP13)"});
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumivex::cli
