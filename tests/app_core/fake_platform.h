// A recording stand-in for the window's platform: scripted answers in, a readable log of what the core did out.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/core/window_platform.h"

namespace lumivex::app::testing {

inline constexpr WindowHandle kMainWindow = 0x100;

// A window of the fake window tree; the main window and its eight controls are made by addMainWindowTree.
struct FakeWindow {
    WindowHandle handle = kNoWindow;
    WindowHandle parent = kNoWindow;
    ScreenRect rect;
    bool visible = true;
    bool popup = false;
    int id = 0;
};

struct Move {
    int left;
    int top;
    int yieldsBefore;  // yields seen before this move, over the fake's whole life
};

class FakePlatform : public WindowPlatform {
  public:
    FakePlatform();

    // Scripted answers; an empty queue answers No to a question, OK to any other box, and cancels a dialog.
    std::deque<int> boxAnswers;
    std::deque<FileDialogResult> dialogResults;
    // Characters the fake 8-bit code page cannot hold exactly (the conversion then reports a loss).
    std::set<char16_t> unrepresentable;

    // Pane and control captions by ID; the panes start with the prompt.
    std::map<int, WideText> captions;
    // Where the window stands, for the shake; and the pointer, for drops.
    ScreenRect mainRect{100, 100, 506, 600};
    ScreenPoint pointer;
    WindowHandle windowUnderPointer = kNoWindow;  // what WindowFromPoint answers
    std::vector<FakeWindow> windows;              // the tree, siblings top of z-order first

    // What the core did, one UTF-8 line per call that the user would see or that changes state; runs of
    // moves collapse into "moves N". pathExists and conversions are not logged.
    std::vector<std::string> log;
    std::vector<Move> moves;
    std::vector<FileDialogRequest> dialogRequests;
    int yields = 0;

    // Client origin (108, 131) inside mainRect; control handles are 0x1000 + ID.
    void addMainWindowTree();
    static WindowHandle controlHandle(int id) { return 0x1000 + static_cast<WindowHandle>(id); }
    // A screen point at client (x, y) of the main window.
    static ScreenPoint clientPoint(int x, int y) { return {108 + x, 131 + y}; }

    int showMessageBox(WindowHandle owner, const WideText& text, const std::optional<WideText>& caption,
                       unsigned style) override;
    FileDialogResult showFileDialog(const FileDialogRequest& request) override;
    WideText controlText(int controlId) override;
    void setControlText(int controlId, const WideText& text) override;
    bool pathExists(const WideText& path) override;
    SystemCodePagePath toSystemCodePage(const WideText& path) override;
    bool setPaneImage(int paneId, const WideText& path) override;
    ScreenRect windowRect(WindowHandle window) override;
    void moveWindow(WindowHandle window, int left, int top) override;
    void yieldTimeSlice() override { ++yields; }
    ScreenPoint cursorPosition() override { return pointer; }
    WindowHandle windowFromPoint(ScreenPoint) override { return windowUnderPointer; }
    WindowHandle childWindowFromPoint(WindowHandle parent, ScreenPoint point) override;
    bool isWindowVisible(WindowHandle window) override;
    WindowHandle parentWindow(WindowHandle window) override;
    bool isPopup(WindowHandle window) override;
    std::vector<WindowHandle> childWindows(WindowHandle parent) override;
    int controlId(WindowHandle window) override;
    void openWebPage(const WideText& address) override;
    void endProgram(int status) override { log.push_back("end program " + std::to_string(status)); }

  private:
    const FakeWindow* find(WindowHandle window) const;
    std::string windowName(WindowHandle window) const;
};

}  // namespace lumivex::app::testing
