// The real main window, created in the test process, and the helpers that drive it as a user would.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/win32/box_answerer.h"

namespace lumivex::test {

// A Windows path below tests/data (the test data folder as wine sees it).
std::wstring testDataPath(const std::wstring& relative);

std::vector<std::uint8_t> readFileBytes(const std::wstring& path);
void writeFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
bool fileExists(const std::wstring& path);

// A fresh folder below the temporary folder, removed with its files at the end of the test.
class TempFolder {
  public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Copies a test photo under a new name, writable (the originals are read-only).
    std::wstring copyPhoto(const std::wstring& photo, const std::wstring& name) const;

  private:
    std::wstring path_;
};

// Counts the main window's moves while a command runs.
class MoveCounter {
  public:
    explicit MoveCounter(HWND window) : window_(window) {
        counter_ = this;
        previous_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MoveCounter::proc)));
    }
    MoveCounter(const MoveCounter&) = delete;
    MoveCounter& operator=(const MoveCounter&) = delete;
    ~MoveCounter() {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        counter_ = nullptr;
    }
    int moves() const { return moves_; }

  private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_WINDOWPOSCHANGED && (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOMOVE) == 0) {
            ++counter_->moves_;
        }
        return CallWindowProcW(counter_->previous_, window, message, wParam, lParam);
    }

    static inline MoveCounter* counter_ = nullptr;
    HWND window_;
    WNDPROC previous_ = nullptr;
    int moves_ = 0;
};

// The real main window created in this process, with the helpers that drive it as a user would.
class WindowSession {
  public:
    WindowSession() = default;
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;
    virtual ~WindowSession() = default;

  protected:
    void open();
    void close();

    HWND control(int id) const { return GetDlgItem(window_, id); }
    std::wstring controlText(int id) const;

    // Clicks a control (BM_CLICK) and answers the boxes it shows; returns the boxes seen.
    std::vector<SeenBox> click(int id, std::vector<Answer> answers = {});
    // Sends WM_COMMAND for a control with a notification code; returns the boxes seen and the result.
    std::vector<SeenBox> command(int id, int notification, std::vector<Answer> answers, LRESULT* result = nullptr);

    // Drops files onto a frame, the pointer at a screen point, as the shell would deliver them.
    void drop(int frameId, POINT pointer, const std::vector<std::wstring>& files);
    // The screen point at the middle of a control.
    POINT middleOf(int id) const;
    // Chooses a pane's file by dropping it over the pane.
    void choose(int paneId, const std::wstring& path);

    // Dispatches what is waiting for the window's thread.
    void pump(DWORD milliseconds = 0);

    HWND window_ = nullptr;
};

class WindowTest : public ::testing::Test, protected WindowSession {
  protected:
    void SetUp() override { open(); }
    void TearDown() override { close(); }
};

}  // namespace lumivex::test
