// The commands' decisions, boxes and shakes, seen through the fake platform; the engine is reached only where
// a test says so (see operations_test.cpp for real edits).
#include "app/core/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/controls.h"
#include "fake_platform.h"
#include "temp_files.h"

namespace lumivex::app::testing {
namespace {

using Log = std::vector<std::string>;

const std::string kInvalidBox = "error: 正しいファイル名が指定されていません。";
const std::string kShake = "moves 151";

void click(FakePlatform& platform, int id) { handleClick(platform, id); }

struct CommandCase {
    const char* name;
    int id;
};

class NothingChosen : public ::testing::TestWithParam<CommandCase> {};

TEST_P(NothingChosen, RefusesWithOneErrorBoxThenShakesBackIntoPlace) {
    FakePlatform platform;
    click(platform, GetParam().id);
    EXPECT_EQ(platform.log, (Log{kInvalidBox, kShake}));
    EXPECT_EQ(platform.mainPosition.x, 100);
    EXPECT_EQ(platform.mainPosition.y, 100);
}

// Replace with nothing chosen is one of the shared window rules (tests/window_rules).
INSTANTIATE_TEST_SUITE_P(Commands, NothingChosen,
                         ::testing::Values(CommandCase{"Save", kSaveButtonId}, CommandCase{"Delete", kDeleteButtonId}),
                         [](const auto& info) { return std::string(info.param.name); });

class CommandTest : public ::testing::Test {
  protected:
    TempFolder folder;
    FakePlatform platform;
};

TEST_F(CommandTest, PathsThatDifferOnlyInLetterCaseAreNotTheSame) {
    const auto source = folder.write("photo.jpg", "source bytes");
    const auto thumbnail = folder.write("PHOTO.jpg", "thumbnail bytes");
    platform.captions[kSourcePaneId] = wide(source);
    platform.captions[kThumbnailPaneId] = wide(thumbnail);
    platform.confirmAnswers = {false};

    click(platform, kReplaceButtonId);

    EXPECT_EQ(platform.log,
              (Log{"confirm: " + source.string() + "\nのサムネイルを\n" + thumbnail.string() + "\nに差し替えますか?"}));
}

struct PaneCase {
    const char* name;
    int id;
    FileDialogPurpose purpose;
    const char* titleUtf8;
};

class ChooseFile : public ::testing::TestWithParam<PaneCase> {};

TEST_P(ChooseFile, OpensTheDialogThenShowsAndStoresAJpgPath) {
    FakePlatform platform;
    platform.dialogResults.push_back({true, u"/photos/Holiday.JpG", 0});
    click(platform, GetParam().id);

    const std::string pane = std::to_string(GetParam().id);
    EXPECT_EQ(platform.log, (Log{std::string("open dialog: ") + GetParam().titleUtf8,
                                 "image " + pane + ": /photos/Holiday.JpG", "text " + pane + ": /photos/Holiday.JpG"}));
    ASSERT_EQ(platform.dialogRequests.size(), 1u);
    EXPECT_EQ(platform.dialogRequests[0].purpose, GetParam().purpose);
    EXPECT_EQ(platform.dialogRequests[0].capacity, 260u);
}

TEST_P(ChooseFile, IgnoresOtherExtensionsAndCancelsAndKeepsTheEarlierFile) {
    FakePlatform platform;
    platform.captions[GetParam().id] = u"/photos/earlier.jpg";
    for (const char16_t* chosen : {u"/photos/a.jpeg", u"/photos/a.jpe", u"/photos/a.png", u"/photos/jpg"}) {
        platform.dialogResults.push_back({true, chosen, 0});
    }
    platform.dialogResults.push_back({false, u"", 0});  // cancelled
    for (int i = 0; i < 5; ++i) click(platform, GetParam().id);

    EXPECT_EQ(platform.log, Log(5, std::string("open dialog: ") + GetParam().titleUtf8));
    EXPECT_EQ(platform.captions[GetParam().id], u"/photos/earlier.jpg");
}

INSTANTIATE_TEST_SUITE_P(Panes, ChooseFile,
                         ::testing::Values(PaneCase{"Source", kSourcePaneId, FileDialogPurpose::ChooseSource,
                                                    "JPEGファイル[元]を選択してください"},
                                           PaneCase{"Thumbnail", kThumbnailPaneId, FileDialogPurpose::ChooseThumbnail,
                                                    "JPEGファイル[サムネイル]を選択してください"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DialogFailure {
    std::uint32_t code;
    const char* shown;
};

class DialogFails : public ::testing::TestWithParam<DialogFailure> {};

TEST_P(DialogFails, WarnsWithTheCodeInEightUpperCaseDigitsAndNoShake) {
    FakePlatform platform;
    platform.dialogResults.push_back({false, u"", GetParam().code});
    click(platform, kSourcePaneId);
    EXPECT_EQ(platform.log, (Log{"open dialog: JPEGファイル[元]を選択してください",
                                 std::string("warning: "
                                             "ファイルの選択に失敗しました。\nErrCode:0x") +
                                     GetParam().shown}));
    EXPECT_EQ(platform.captions[kSourcePaneId], kPanePrompt);
}

INSTANTIATE_TEST_SUITE_P(Codes, DialogFails,
                         ::testing::Values(DialogFailure{0x3003, "00003003"}, DialogFailure{0xFFFF, "0000FFFF"},
                                           DialogFailure{0xABCDEF01, "ABCDEF01"}, DialogFailure{1, "00000001"}));

TEST(RunFileDialog, APathThatDoesNotFitTheBufferIsAFailureNotACutPath) {
    FakePlatform platform;
    const WideText longest = u"/" + WideText(254, u'a') + u".jpg";  // 259 characters
    platform.dialogResults.push_back({true, longest, 0});
    platform.dialogResults.push_back({true, longest + u"x", 0});
    WideText path = u"stale";

    EXPECT_TRUE(runFileDialog(platform, FileDialogPurpose::ChooseSource, path, 260));
    EXPECT_EQ(path, longest);
    EXPECT_FALSE(runFileDialog(platform, FileDialogPurpose::ChooseSource, path, 260));
    EXPECT_EQ(path, u"");
    EXPECT_EQ(platform.log.back(), "warning: ファイルの選択に失敗しました。\nErrCode:0x00003003");
}

TEST_F(CommandTest, SaveStopsQuietlyWhenTheDialogIsCancelledAndWarnsWithoutShakeWhenItFails) {
    platform.captions[kSourcePaneId] = wide(folder.copyPhoto("canon-40d.jpg", "photo.jpg"));
    platform.dialogResults.push_back({false, u"", 0});
    platform.dialogResults.push_back({false, u"", 0x3002});
    click(platform, kSaveButtonId);
    click(platform, kSaveButtonId);
    const std::string dialog = "save dialog: 保存するJPEGファイル[サムネイル]を指定してください";
    EXPECT_EQ(platform.log, (Log{dialog, dialog, "warning: ファイルの選択に失敗しました。\nErrCode:0x00003002"}));
    EXPECT_EQ(platform.dialogRequests.back().purpose, FileDialogPurpose::SaveThumbnail);
}

TEST(HandleClick, TheLinkMarkOpensTheWebPageAndOtherIdsDoNothing) {
    FakePlatform platform;
    click(platform, kLinkMarkId);
    EXPECT_EQ(platform.log, (Log{"web: https://lumivex.example.org/"}));

    platform.log.clear();
    for (const int id : {0, 1000, kSourceFrameId, kThumbnailFrameId, 1009, 0xFFFF}) click(platform, id);
    EXPECT_TRUE(platform.log.empty());
}

// The 8-bit form of a path must name exactly the chosen file: here "é" has no exact form and would turn into
// the name of the other, existing file.
class InexactPath : public ::testing::TestWithParam<CommandCase> {};

TEST_P(InexactPath, IsRefusedBeforeAnyQuestionAndNoFileChanges) {
    TempFolder folder;
    FakePlatform platform;
    platform.unrepresentable = {u'é'};
    const auto chosen = folder.copyPhoto("canon-40d.jpg", "café.jpg");
    const auto lookalike = folder.copyPhoto("canon-40d.jpg", "caf?.jpg");
    const auto thumbnail = folder.copyPhoto("nikon-d70.jpg", "thumb.jpg");
    const std::string before = readBytes(chosen);
    platform.captions[kSourcePaneId] = wide(chosen);
    platform.captions[kThumbnailPaneId] = wide(thumbnail);
    platform.confirmAnswers = {true};
    platform.dialogResults.push_back({true, wide(folder.path() / "out.jpg"), 0});

    click(platform, GetParam().id);

    EXPECT_EQ(platform.log, (Log{kInvalidBox, kShake}));
    EXPECT_EQ(readBytes(chosen), before);
    EXPECT_EQ(readBytes(lookalike), before);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "out.jpg"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "caf?.jpg.orig"));
}

INSTANTIATE_TEST_SUITE_P(Commands, InexactPath,
                         ::testing::Values(CommandCase{"Replace", kReplaceButtonId}, CommandCase{"Save", kSaveButtonId},
                                           CommandCase{"Delete", kDeleteButtonId}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTest, AnInexactThumbnailOrOutputPathIsRefusedToo) {
    platform.unrepresentable = {u'é'};
    const auto source = folder.copyPhoto("canon-40d.jpg", "photo.jpg");
    const std::string before = readBytes(source);
    folder.copyPhoto("nikon-d70.jpg", "thumb-?.jpg");
    platform.captions[kSourcePaneId] = wide(source);
    platform.captions[kThumbnailPaneId] = wide(folder.copyPhoto("nikon-d70.jpg", "thumb-é.jpg"));
    platform.confirmAnswers = {true};
    click(platform, kReplaceButtonId);
    EXPECT_EQ(platform.log, (Log{kInvalidBox, kShake}));

    platform.log.clear();
    platform.dialogResults.push_back({true, wide(folder.path() / "out-é.jpg"), 0});
    click(platform, kSaveButtonId);
    EXPECT_EQ(platform.log,
              (Log{"save dialog: 保存するJPEGファイル[サムネイル]を指定してください", kInvalidBox, kShake}));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "out-?.jpg"));
    EXPECT_EQ(readBytes(source), before);
}

TEST_F(CommandTest, APathLongerThanTheEngineBufferIn8BitsIsRefusedNotCut) {
    // 105 characters wide, over 300 bytes in the 8-bit (UTF-8) form.
    std::string longName;
    for (int i = 0; i < 80; ++i) longName += "あ";
    std::filesystem::create_directory(folder.path() / longName);
    const auto source = folder.copyPhoto("canon-40d.jpg", longName + "/写真.jpg");
    ASSERT_LT(wide(source).size(), 260u);
    ASSERT_GE(source.string().size(), 260u);
    const std::string before = readBytes(source);
    platform.captions[kSourcePaneId] = wide(source);
    platform.confirmAnswers = {true};

    click(platform, kDeleteButtonId);

    EXPECT_EQ(platform.log, (Log{kInvalidBox, kShake}));
    EXPECT_EQ(readBytes(source), before);
}

}  // namespace
}  // namespace lumivex::app::testing
