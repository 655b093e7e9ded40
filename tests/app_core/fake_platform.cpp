#include "fake_platform.h"

#include <cstdio>
#include <filesystem>

#include "app/core/controls.h"
#include "app/core/utf16.h"

namespace lumivex::app::testing {

namespace {

bool contains(const ScreenRect& rect, ScreenPoint point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

std::string hex(unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%02X", value);
    return buffer;
}

}  // namespace

FakePlatform::FakePlatform() {
    captions[kSourcePaneId] = kPanePrompt;
    captions[kThumbnailPaneId] = kPanePrompt;
}

void FakePlatform::addMainWindowTree() {
    windows.push_back({kMainWindow, kNoWindow, mainRect, true, false, 0});
    for (const ControlSpec& control : kControls) {
        const ScreenPoint origin = clientPoint(control.x, control.y);
        windows.push_back({controlHandle(control.id), kMainWindow,
                           ScreenRect{origin.x, origin.y, origin.x + control.width, origin.y + control.height}, true,
                           false, control.id});
    }
}

int FakePlatform::showMessageBox(WindowHandle owner, const WideText& text, const std::optional<WideText>& caption,
                                 unsigned style) {
    log.push_back("box owner=" + windowName(owner) + " caption=" + (caption ? utf8FromUtf16(*caption) : "none") +
                  " style=" + hex(style) + ": " + utf8FromUtf16(text));
    if (!boxAnswers.empty()) {
        const int answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    }
    return (style & 0x0F) == kMbYesNo ? kIdNo : kIdOk;
}

FileDialogResult FakePlatform::showFileDialog(const FileDialogRequest& request) {
    dialogRequests.push_back(request);
    log.push_back(std::string(request.kind == FileDialogKind::Open ? "open" : "save") +
                  " dialog owner=" + windowName(request.owner) + ": " + utf8FromUtf16(request.title));
    if (dialogResults.empty()) return {};
    FileDialogResult result = dialogResults.front();
    dialogResults.pop_front();
    return result;
}

WideText FakePlatform::controlText(int controlId) { return captions[controlId]; }

void FakePlatform::setControlText(int controlId, const WideText& text) {
    log.push_back("text " + std::to_string(controlId) + ": " + utf8FromUtf16(text));
    captions[controlId] = text;
}

bool FakePlatform::pathExists(const WideText& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(utf8FromUtf16(path)), error);
}

SystemCodePagePath FakePlatform::toSystemCodePage(const WideText& path) {
    WideText mapped = path;
    bool lossless = true;
    for (char16_t& c : mapped) {
        if (unrepresentable.count(c) != 0) {
            c = u'?';
            lossless = false;
        }
    }
    return {utf8FromUtf16(mapped), lossless};
}

bool FakePlatform::setPaneImage(int paneId, const WideText& path) {
    log.push_back("image " + std::to_string(paneId) + ": " + utf8FromUtf16(path));
    return true;
}

ScreenRect FakePlatform::windowRect(WindowHandle window) {
    if (window == kMainWindow) return mainRect;
    const FakeWindow* found = find(window);
    return found != nullptr ? found->rect : ScreenRect{};
}

void FakePlatform::moveWindow(WindowHandle window, int left, int top) {
    moves.push_back({left, top, yields});
    if (window == kMainWindow) {
        mainRect = {left, top, left + (mainRect.right - mainRect.left), top + (mainRect.bottom - mainRect.top)};
    }
    const std::string prefix = "moves " + windowName(window) + " ";
    if (!log.empty() && log.back().rfind(prefix, 0) == 0) {
        log.back() = prefix + std::to_string(std::stoi(log.back().substr(prefix.size())) + 1);
    } else {
        log.push_back(prefix + "1");
    }
}

WindowHandle FakePlatform::childWindowFromPoint(WindowHandle parent, ScreenPoint point) {
    const FakeWindow* self = find(parent);
    if (self == nullptr || !contains(self->rect, point)) return kNoWindow;
    // Hidden children count too, like the platform's; the topmost containing child wins.
    for (const FakeWindow& window : windows) {
        if (window.parent == parent && contains(window.rect, point)) return window.handle;
    }
    return parent;
}

bool FakePlatform::isWindowVisible(WindowHandle window) {
    const FakeWindow* found = find(window);
    return found != nullptr && found->visible;
}

WindowHandle FakePlatform::parentWindow(WindowHandle window) {
    const FakeWindow* found = find(window);
    return found != nullptr ? found->parent : kNoWindow;
}

bool FakePlatform::isPopup(WindowHandle window) {
    const FakeWindow* found = find(window);
    return found != nullptr && found->popup;
}

std::vector<WindowHandle> FakePlatform::childWindows(WindowHandle parent) {
    std::vector<WindowHandle> children;
    for (const FakeWindow& window : windows) {
        if (window.parent == parent) children.push_back(window.handle);
    }
    return children;
}

int FakePlatform::controlId(WindowHandle window) {
    const FakeWindow* found = find(window);
    return found != nullptr ? found->id : 0;
}

void FakePlatform::openWebPage(const WideText& address) { log.push_back("web: " + utf8FromUtf16(address)); }

const FakeWindow* FakePlatform::find(WindowHandle window) const {
    for (const FakeWindow& candidate : windows) {
        if (candidate.handle == window) return &candidate;
    }
    return nullptr;
}

std::string FakePlatform::windowName(WindowHandle window) const {
    if (window == kNoWindow) return "none";
    if (window == kMainWindow) return "main";
    return std::to_string(window);
}

}  // namespace lumivex::app::testing
