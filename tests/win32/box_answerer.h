// Reads and answers the modal boxes and file dialogs that the window's thread shows, from a helper thread:
// the window's thread itself is busy inside the box's modal loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace lumivex::test {

enum class BoxIcon { None, Error, Question, Warning, Other };

// What one box looked like once it was visible.
struct SeenBox {
    std::wstring caption;
    std::wstring text;  // message text (empty for a file dialog)
    HWND owner = nullptr;
    bool fileDialog = false;
    bool hasOk = false;
    bool hasYes = false;
    bool hasNo = false;
    BoxIcon icon = BoxIcon::None;
};

// A button to press, or for a file dialog a file name to type before OK.
struct Answer {
    int button = IDOK;
    std::wstring fileName;
};
inline Answer press(int button) { return {button, {}}; }
inline Answer chooseFile(std::wstring path) { return {IDOK, std::move(path)}; }

class BoxAnswerer {
  public:
    // Answers the boxes of `uiThread` in order; a box beyond the list is closed its harmless way (No, Cancel
    // or OK) and recorded, so that an unexpected box shows in the result instead of hanging the test.
    BoxAnswerer(DWORD uiThread, std::vector<Answer> answers);
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    ~BoxAnswerer();

    // Stops watching and returns every box seen, in order.
    std::vector<SeenBox> finish();

  private:
    void run();

    DWORD uiThread_;
    std::vector<Answer> answers_;
    std::vector<SeenBox> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A visible "#32770" window (message box or common dialog) of the thread, or nullptr.
HWND findVisibleDialog(DWORD thread);

// Reads caption, text, buttons, icon and owner of a visible box.
SeenBox readBox(HWND box);

// Presses a button of a box or types a file name into a file dialog and presses OK.
void answerBox(HWND box, const Answer& answer);

// The caption the system gives a box that has none of its own.
std::wstring defaultBoxCaption();

}  // namespace lumivex::test
