// The shared window rules run through the real Win32 window: drops choose the files, a helper thread answers
// the boxes.
#include <memory>
#include <string>
#include <vector>

#include "app/core/utf16.h"
#include "tests/win32/window_fixture.h"
#include "tests/window_rules/window_adapter.h"

namespace lumivex::window_rules {
namespace {

std::wstring w(const std::string& utf8) {
    const std::u16string wide = app::utf16FromUtf8(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string u8(const std::wstring& wide) { return app::utf8FromUtf16(std::u16string(wide.begin(), wide.end())); }

class Win32Window : public WindowAdapter, private test::WindowSession {
  public:
    Win32Window() : systemCaption_(test::defaultBoxCaption()) { open(); }
    ~Win32Window() override { close(); }

    std::string copyPhoto(const std::string& photo, const std::string& name) override {
        return u8(folder_.copyPhoto(w(photo), w(name)));
    }
    std::string readFile(const std::string& path) override {
        const std::vector<std::uint8_t> bytes = test::readFileBytes(w(path));
        return std::string(bytes.begin(), bytes.end());
    }
    bool exists(const std::string& path) override { return test::fileExists(w(path)); }
    void removeFile(const std::string& path) override { DeleteFileW(w(path).c_str()); }

    void choose(int paneId, const std::string& path) override { WindowSession::choose(paneId, w(path)); }
    std::string paneText(int paneId) override { return u8(controlText(paneId)); }

    std::vector<SeenBox> click(int controlId, const std::vector<Reply>& replies) override {
        std::vector<test::Answer> answers;
        for (const Reply reply : replies) {
            answers.push_back(test::press(reply == Reply::Yes ? IDYES : reply == Reply::No ? IDNO : IDOK));
        }
        GetWindowRect(window_, &before_);
        std::vector<test::SeenBox> seen;
        {
            test::MoveCounter counter(window_);
            seen = WindowSession::click(controlId, answers);
            moves_ = counter.moves();
        }
        std::vector<SeenBox> boxes;
        for (const test::SeenBox& box : seen) boxes.push_back(fromBox(box));
        return boxes;
    }
    int movesDuringLastClick() override { return moves_; }
    bool backWhereItWas() override {
        RECT now{};
        GetWindowRect(window_, &now);
        return now.left == before_.left && now.top == before_.top && now.right == before_.right &&
               now.bottom == before_.bottom;
    }

  private:
    SeenBox fromBox(const test::SeenBox& seen) const {
        SeenBox box;
        box.text = u8(seen.text);
        box.caption = seen.caption == systemCaption_ ? std::string() : u8(seen.caption);
        box.ownedByWindow = seen.owner == window_;
        box.yesNoButtons = seen.hasYes && seen.hasNo;
        switch (seen.icon) {
            case test::BoxIcon::Error:
                box.kind = seen.owner == nullptr ? BoxKind::EngineMessage : BoxKind::Error;
                break;
            case test::BoxIcon::Question:
                box.kind = BoxKind::Question;
                break;
            case test::BoxIcon::Warning:
                box.kind = BoxKind::Warning;
                break;
            case test::BoxIcon::None:
                box.kind = BoxKind::Info;
                break;
            case test::BoxIcon::Other:
                box.kind = BoxKind::Other;
                break;
        }
        if (seen.fileDialog) box.kind = BoxKind::FileDialog;
        return box;
    }

    const std::wstring systemCaption_;  // the caption of a box that has none of its own
    test::TempFolder folder_;
    RECT before_{};
    int moves_ = 0;
};

}  // namespace

std::unique_ptr<WindowAdapter> openWindow() { return std::make_unique<Win32Window>(); }

}  // namespace lumivex::window_rules
