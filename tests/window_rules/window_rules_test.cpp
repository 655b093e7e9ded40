// The rules every window keeps, end to end on real photos, stated once and run against each window: the fake
// platform, the Qt window and the Win32 window each link this file with their own openWindow().
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/core/controls.h"
#include "tests/window_rules/window_adapter.h"

namespace lumivex::window_rules {
namespace {

constexpr const char* kPhoto = "nikon-d70.jpg";
// Any JPEG file can become a thumbnail; this one is small and not the photo's own.
constexpr const char* kNewThumbnail = "canon-40d.jpg";

enum class ThumbnailPane { None, Chosen, ChosenThenRemoved, SameAsSource };
enum class Outcome { Unchanged, Replaced };  // replaced: the file is in the photo, the old photo its backup

struct ExpectedBox {
    BoxKind kind;
    const char* text;  // {photo} and {thumbnail} stand for the panes' paths
};

struct Rule {
    const char* name;
    bool sourceChosen;
    ThumbnailPane thumbnail;
    int command;
    Reply answer;  // to the question, when one is asked
    bool shakes;
    Outcome outcome;
    std::vector<ExpectedBox> boxes;
};

void PrintTo(const Rule& rule, std::ostream* out) { *out << rule.name; }

const char* const kInvalidName = "正しいファイル名が指定されていません。";
const char* const kReplaceQuestion = "{photo}\nのサムネイルを\n{thumbnail}\nに差し替えますか?";

const char* const kReplaceDone =
    "サムネイルの差し替えが完了しました。\n\n【注意】元画像とサムネイル画像の縦横比などが異なる場合、正常に処理"
    "されていない場合があります。";

const std::vector<Rule>& rules() {
    using enum ThumbnailPane;
    using enum Outcome;
    constexpr bool kShakes = true;
    constexpr int kReplace = app::kReplaceButtonId;
    constexpr int kDelete = app::kDeleteButtonId;
    // clang-format off
    static const std::vector<Rule> table = {
        // Replace needs two different files that exist, and says so before asking anything.
        {"ReplaceWithNothingChosen",           false, None,              kReplace, Reply::Yes, kShakes,  Unchanged,
         {{BoxKind::Error, kInvalidName}}},
        {"ReplaceWithoutAThumbnailFile",       true,  None,              kReplace, Reply::Yes, kShakes,  Unchanged,
         {{BoxKind::Error, kInvalidName}}},
        {"ReplaceWithTheThumbnailFileGone",    true,  ChosenThenRemoved, kReplace, Reply::Yes, kShakes,  Unchanged,
         {{BoxKind::Error, kInvalidName}}},
        {"ReplaceWithTheSameFileInBothPanes",  true,  SameAsSource,      kReplace, Reply::Yes, kShakes,  Unchanged,
         {{BoxKind::Error, "同じ画像が指定されています。"}}},
        // A No to the question changes nothing and shows nothing more.
        {"NoToReplaceChangesNothing",          true,  Chosen,            kReplace, Reply::No,  !kShakes, Unchanged,
         {{BoxKind::Question, kReplaceQuestion}}},
        {"NoToDeleteChangesNothing",           true,  Chosen,            kDelete,  Reply::No,  !kShakes, Unchanged,
         {{BoxKind::Question, "{photo}\nのサムネイルを削除しますか?"}}},
        // A replace puts the file into the photo and keeps the photo as it was beside it.
        {"ReplaceKeepsTheOldPhotoAsItsBackup", true,  Chosen,            kReplace, Reply::Yes, !kShakes, Replaced,
         {{BoxKind::Question, kReplaceQuestion}, {BoxKind::Info, kReplaceDone}}},
    };
    // clang-format on
    return table;
}

std::string fill(std::string text, const std::string& photo, const std::string& thumbnail) {
    for (const auto& [mark, value] :
         {std::pair<std::string, std::string>{"{photo}", photo}, {"{thumbnail}", thumbnail}}) {
        for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size())) {
            text.replace(at, mark.size(), value);
        }
    }
    return text;
}

// What each kind of box looks like, where the window lets it be seen.
void expectLook(const SeenBox& box) {
    const bool question = box.kind == BoxKind::Question;
    if (box.caption) {
        EXPECT_EQ(*box.caption, question ? "処理開始の確認" : box.kind == BoxKind::Info ? "処理終了" : "");
    }
    if (box.ownedByWindow) {
        EXPECT_TRUE(*box.ownedByWindow);
    }
    if (box.yesNoButtons) {
        EXPECT_EQ(*box.yesNoButtons, question);
    }
}

class WindowRules : public ::testing::TestWithParam<Rule> {};

TEST_P(WindowRules, Holds) {
    const Rule& rule = GetParam();
    const std::unique_ptr<WindowAdapter> window = openWindow();
    ASSERT_NE(window, nullptr);

    const std::string photo = window->copyPhoto(kPhoto, "photo.jpg");
    const std::string original = window->readFile(photo);
    ASSERT_FALSE(original.empty());
    std::string thumbnail;
    if (rule.sourceChosen) window->choose(app::kSourcePaneId, photo);
    if (rule.thumbnail == ThumbnailPane::SameAsSource) thumbnail = photo;
    if (rule.thumbnail == ThumbnailPane::Chosen || rule.thumbnail == ThumbnailPane::ChosenThenRemoved) {
        thumbnail = window->copyPhoto(kNewThumbnail, "thumbnail.jpg");
    }
    if (!thumbnail.empty()) window->choose(app::kThumbnailPaneId, thumbnail);
    if (rule.thumbnail == ThumbnailPane::ChosenThenRemoved) window->removeFile(thumbnail);
    const std::string sourceText = window->paneText(app::kSourcePaneId);
    const std::string thumbnailText = window->paneText(app::kThumbnailPaneId);

    std::vector<Reply> replies;
    for (const ExpectedBox& box : rule.boxes)
        replies.push_back(box.kind == BoxKind::Question ? rule.answer : Reply::Ok);
    const std::vector<SeenBox> seen = window->click(rule.command, replies);

    ASSERT_EQ(seen.size(), rule.boxes.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].kind, rule.boxes[i].kind);
        EXPECT_EQ(seen[i].text, fill(rule.boxes[i].text, photo, thumbnail));
        expectLook(seen[i]);
    }
    EXPECT_EQ(window->movesDuringLastClick(), rule.shakes ? 151 : 0) << "150 steps of the shake and the way back";
    EXPECT_TRUE(window->backWhereItWas());
    // The panes are never reloaded by a command.
    EXPECT_EQ(window->paneText(app::kSourcePaneId), sourceText);
    EXPECT_EQ(window->paneText(app::kThumbnailPaneId), thumbnailText);

    const std::string after = window->readFile(photo);
    if (rule.outcome == Outcome::Unchanged) {
        EXPECT_EQ(after, original);
        EXPECT_FALSE(window->exists(photo + ".orig"));
    } else {
        const std::string newThumbnail = window->readFile(thumbnail);
        ASSERT_FALSE(newThumbnail.empty());
        EXPECT_NE(after.find(newThumbnail), std::string::npos) << "the file is the photo's thumbnail now";
        EXPECT_EQ(window->readFile(photo + ".orig"), original);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, WindowRules, ::testing::ValuesIn(rules()),
                         [](const ::testing::TestParamInfo<Rule>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumivex::window_rules
