// The shared window rules run through the core with the recording fake platform and the real engine.
#include <filesystem>
#include <string>
#include <vector>

#include "app/core/commands.h"
#include "app/core/driver_boxes.h"
#include "app/core/utf16.h"
#include "fake_platform.h"
#include "temp_files.h"
#include "tests/window_rules/window_adapter.h"

namespace lumivex::window_rules {
namespace {

using app::testing::FakePlatform;

BoxKind kindOf(const std::string& line, std::string& text) {
    static const std::vector<std::pair<std::string, BoxKind>> kinds = {
        {"confirm: ", BoxKind::Question},      {"info: ", BoxKind::Info},
        {"error: ", BoxKind::Error},           {"warning: ", BoxKind::Warning},
        {"engine: ", BoxKind::EngineMessage},  {"open dialog: ", BoxKind::FileDialog},
        {"save dialog: ", BoxKind::FileDialog}};
    for (const auto& [prefix, kind] : kinds) {
        if (line.rfind(prefix, 0) == 0) {
            text = line.substr(prefix.size());
            return kind;
        }
    }
    text = line;
    return BoxKind::Other;
}

class FakeWindow : public WindowAdapter {
  public:
    FakeWindow() { app::routeDriverMessagesTo(&platform_); }
    ~FakeWindow() override { app::routeDriverMessagesTo(nullptr); }

    std::string copyPhoto(const std::string& photo, const std::string& name) override {
        return folder_.copyPhoto(photo, name).string();
    }
    std::string readFile(const std::string& path) override { return app::testing::readBytes(path); }
    bool exists(const std::string& path) override { return std::filesystem::exists(path); }
    void removeFile(const std::string& path) override { std::filesystem::remove(path); }

    void choose(int paneId, const std::string& path) override { platform_.captions[paneId] = app::utf16FromUtf8(path); }
    std::string paneText(int paneId) override { return app::utf8FromUtf16(platform_.captions[paneId]); }

    std::vector<SeenBox> click(int controlId, const std::vector<Reply>& replies) override {
        platform_.log.clear();
        platform_.moves.clear();
        platform_.confirmAnswers.clear();
        for (const Reply reply : replies) {
            if (reply != Reply::Ok) platform_.confirmAnswers.push_back(reply == Reply::Yes);
        }
        home_ = platform_.mainPosition;
        app::handleClick(platform_, controlId);

        std::vector<SeenBox> boxes;
        for (const std::string& line : platform_.log) {
            if (line.rfind("moves ", 0) == 0) continue;  // counted from the moves themselves
            SeenBox box;
            box.kind = kindOf(line, box.text);
            boxes.push_back(box);
        }
        return boxes;
    }
    int movesDuringLastClick() override { return static_cast<int>(platform_.moves.size()); }
    bool backWhereItWas() override {
        return platform_.mainPosition.x == home_.x && platform_.mainPosition.y == home_.y;
    }

  private:
    app::testing::TempFolder folder_;
    FakePlatform platform_;
    app::ScreenPoint home_;
};

}  // namespace

std::unique_ptr<WindowAdapter> openWindow() { return std::make_unique<FakeWindow>(); }

}  // namespace lumivex::window_rules
