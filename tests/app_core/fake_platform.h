// A recording stand-in for the window's platform: scripted answers in, a readable log of what the core did out.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/core/window_platform.h"

namespace lumivex::app::testing {

struct Move {
    int left;
    int top;
    int yieldsBefore;  // yields seen before this move, over the fake's whole life
};

struct DialogRequest {
    FileDialogPurpose purpose;
    std::size_t capacity;
};

class FakePlatform : public WindowPlatform {
  public:
    FakePlatform();

    // Scripted answers; an empty queue answers No to a question and cancels a dialog.
    std::deque<bool> confirmAnswers;
    std::deque<FileDialogResult> dialogResults;
    // Characters the fake 8-bit code page cannot hold exactly (the conversion then reports a loss).
    std::set<char16_t> unrepresentable;

    // Pane and control captions by ID; the panes start with the prompt.
    std::map<int, WideText> captions;
    // Where the main window stands, for the shake; the control under the pointer, for drops.
    ScreenPoint mainPosition{100, 100};
    int controlUnderPointerId = 0;

    // What the core did, one UTF-8 line per call that the user would see or that changes state, the boxes
    // with their Japanese wording; runs of moves collapse into "moves N". pathExists and conversions are
    // not logged.
    std::vector<std::string> log;
    std::vector<Move> moves;
    std::vector<DialogRequest> dialogRequests;
    int yields = 0;

    bool confirm(const UserMessage& question) override;
    void showInfo(const UserMessage& message) override { logBox("info", message); }
    void showError(const UserMessage& message) override { logBox("error", message); }
    void showWarning(const UserMessage& message) override { logBox("warning", message); }
    void showEngineMessage(const WideText& text) override;
    FileDialogResult showFileDialog(FileDialogPurpose purpose, std::size_t capacity) override;
    WideText controlText(int controlId) override;
    void setControlText(int controlId, const WideText& text) override;
    bool pathExists(const WideText& path) override;
    SystemCodePagePath toSystemCodePage(const WideText& path) override;
    bool setPaneImage(int paneId, const WideText& path) override;
    ScreenPoint mainWindowPosition() override { return mainPosition; }
    void moveMainWindow(ScreenPoint topLeft) override;
    void yieldTimeSlice() override { ++yields; }
    int controlUnderPointer() override { return controlUnderPointerId; }
    void openWebPage(const WideText& address) override;
    void endProgram(int status) override { log.push_back("end program " + std::to_string(status)); }

  private:
    void logBox(const char* kind, const UserMessage& message);
};

}  // namespace lumivex::app::testing
