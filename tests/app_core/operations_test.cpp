// Save and delete through the core with the real engine on copies of real photos (replace: tests/window_rules).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/commands.h"
#include "app/core/controls.h"
#include "app/core/driver_boxes.h"
#include "engine/thumbnail/file_operation.h"
#include "fake_platform.h"
#include "temp_files.h"

namespace lumivex::app::testing {
namespace {

using Log = std::vector<std::string>;

const std::string kQuestionBox = "confirm: ";
const std::string kShake = "moves 151";

class Operations : public ::testing::Test {
  protected:
    void SetUp() override { routeDriverMessagesTo(&platform); }
    void TearDown() override { routeDriverMessagesTo(nullptr); }

    // The thumbnail embedded in `photo`, exported by the engine directly.
    std::string embeddedThumbnail(const std::filesystem::path& photo) {
        const auto out = folder.path() / ("thumbnail-of-" + photo.filename().string());
        EXPECT_EQ(runFileOperation(photo.c_str(), out.c_str(), 0), 1);
        return readBytes(out);
    }

    void click(int id) { handleClick(platform, id); }

    TempFolder folder;
    FakePlatform platform;
};

TEST_F(Operations, SaveWritesTheEmbeddedThumbnailToTheChosenFileWithoutAQuestion) {
    const auto source = folder.copyPhoto("canon-40d.jpg", "photo.jpg");
    const std::string original = readBytes(source);
    const auto output = folder.path() / "exported.jpg";
    platform.captions[kSourcePaneId] = wide(source);
    platform.dialogResults.push_back({true, wide(output), 0});

    click(kSaveButtonId);

    EXPECT_EQ(platform.log, (Log{"save dialog: 保存するJPEGファイル[サムネイル]を指定してください",
                                 "info: サムネイルの保存が完了しました。"}));
    const std::string exported = readBytes(output);
    ASSERT_GT(exported.size(), 4u);
    EXPECT_EQ(exported.substr(0, 2), "\xFF\xD8");
    EXPECT_NE(original.find(exported), std::string::npos);
    EXPECT_EQ(readBytes(source), original);
}

TEST_F(Operations, DeleteRemovesTheThumbnailFromAJapaneseNamedPhoto) {
    const auto source = folder.copyPhoto("canon-40d.jpg", "写真 テスト.jpg");
    const std::string original = readBytes(source);
    const std::string oldThumbnail = embeddedThumbnail(source);
    platform.captions[kSourcePaneId] = wide(source);
    platform.confirmAnswers = {true};

    click(kDeleteButtonId);

    EXPECT_EQ(platform.log,
              (Log{kQuestionBox + source.string() + "\nのサムネイルを削除しますか?",
                   "info: サムネイルの削除が完了しました。\n\n"
                   "【注意】削除されたのはサムネイルのみです。撮影日時などのExif情報は削除されていません。"}));
    EXPECT_EQ(readBytes(source).find(oldThumbnail), std::string::npos);
    EXPECT_EQ(readBytes(source.string() + ".orig"), original);
}

TEST_F(Operations, AFailedReplaceShowsItsBoxThenShakes) {
    const auto source = folder.write("not-a-photo.jpg", "plain text, not a JPEG");
    platform.captions[kSourcePaneId] = wide(source);
    platform.captions[kThumbnailPaneId] = wide(folder.copyPhoto("nikon-d70.jpg", "thumb.jpg"));
    platform.confirmAnswers = {true};

    click(kReplaceButtonId);

    ASSERT_EQ(platform.log.size(), 3u);
    EXPECT_EQ(platform.log[1], "error: サムネイルの差し替えに失敗しました。");
    EXPECT_EQ(platform.log[2], kShake);
    EXPECT_EQ(readBytes(source), "plain text, not a JPEG");
}

TEST_F(Operations, AFailedSaveFollowsTheEnginesOwnBoxWithoutShake) {
    platform.captions[kSourcePaneId] = wide(folder.copyPhoto("fujifilm-e500-no-thumbnail.jpg", "photo.jpg"));
    const auto output = folder.path() / "exported.jpg";
    platform.dialogResults.push_back({true, wide(output), 0});

    click(kSaveButtonId);

    EXPECT_EQ(platform.log, (Log{"save dialog: 保存するJPEGファイル[サムネイル]を指定してください",
                                 "engine: サムネイル画像が含まれません。", "error: サムネイルの保存に失敗しました。"}));
}

// A fatal report ends the window with status 1 after the engine's own message: no box of ours follows.
TEST_F(Operations, AFatalReportEndsTheProgramWithStatusOneAndNothingAfter) {
    const std::string truncated = readBytes(folder.copyPhoto("canon-40d.jpg", "whole.jpg")).substr(0, 1000);
    const auto source = folder.write("truncated.jpg", truncated);
    platform.captions[kSourcePaneId] = wide(source);
    platform.confirmAnswers = {true};

    click(kDeleteButtonId);

    EXPECT_EQ(platform.log, (Log{kQuestionBox + source.string() + "\nのサムネイルを削除しますか?", "end program 1"}));
    EXPECT_EQ(readBytes(source), truncated);
    EXPECT_FALSE(std::filesystem::exists(source.string() + ".orig"));
}

TEST_F(Operations, AFolderPassesTheExistenceTestAndTheEngineRefusesIt) {
    platform.captions[kSourcePaneId] = wide(folder.path());
    platform.confirmAnswers = {true};

    click(kDeleteButtonId);

    ASSERT_EQ(platform.log.size(), 2u);
    EXPECT_EQ(platform.log[0], kQuestionBox + folder.path().string() + "\nのサムネイルを削除しますか?");
    EXPECT_EQ(platform.log[1], "error: サムネイルの削除に失敗しました。");
}

}  // namespace
}  // namespace lumivex::app::testing
