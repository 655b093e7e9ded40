#include "fake_platform.h"

#include <filesystem>

#include "app/core/controls.h"
#include "app/core/messages.h"
#include "app/core/utf16.h"

namespace lumivex::app::testing {

FakePlatform::FakePlatform() {
    captions[kSourcePaneId] = kPanePrompt;
    captions[kThumbnailPaneId] = kPanePrompt;
}

void FakePlatform::logBox(const char* kind, const UserMessage& message) {
    log.push_back(std::string(kind) + ": " + utf8FromUtf16(japaneseText(message)));
}

bool FakePlatform::confirm(const UserMessage& question) {
    logBox("confirm", question);
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

void FakePlatform::showEngineMessage(const WideText& text) { log.push_back("engine: " + utf8FromUtf16(text)); }

FileDialogResult FakePlatform::showFileDialog(FileDialogPurpose purpose, std::size_t capacity) {
    dialogRequests.push_back({purpose, capacity});
    log.push_back(std::string(purpose == FileDialogPurpose::SaveThumbnail ? "save" : "open") +
                  " dialog: " + utf8FromUtf16(japaneseDialogTitle(purpose)));
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

void FakePlatform::moveMainWindow(ScreenPoint topLeft) {
    moves.push_back({topLeft.x, topLeft.y, yields});
    mainPosition = topLeft;
    const std::string prefix = "moves ";
    if (!log.empty() && log.back().rfind(prefix, 0) == 0) {
        log.back() = prefix + std::to_string(std::stoi(log.back().substr(prefix.size())) + 1);
    } else {
        log.push_back(prefix + "1");
    }
}

void FakePlatform::openWebPage(const WideText& address) { log.push_back("web: " + utf8FromUtf16(address)); }

}  // namespace lumivex::app::testing
