// One face for the three windows under test (the recording fake, the Qt window, the Win32 window): open a
// window on files, click a control, answer its boxes, read back what the user saw and what happened to files.
// The rules every window shares are written once against it (window_rules_test.cpp).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumivex::window_rules {

enum class BoxKind { Error, Question, Info, Warning, EngineMessage, FileDialog, Other };
enum class Reply { Yes, No, Ok };

// One modal box as the user saw it. Texts are UTF-8. A look the adapter cannot see (the fake draws no box)
// is left empty and not compared.
struct SeenBox {
    BoxKind kind = BoxKind::Other;
    std::string text;
    std::optional<std::string> caption;  // empty when the box has no caption of its own
    std::optional<bool> ownedByWindow;
    std::optional<bool> yesNoButtons;  // false: a lone OK
};

class WindowAdapter {
  public:
    virtual ~WindowAdapter() = default;

    // A writable copy of a test photo in the test's own folder, under `name`; its path as the window shows it.
    virtual std::string copyPhoto(const std::string& photo, const std::string& name) = 0;
    virtual std::string readFile(const std::string& path) = 0;  // empty when it cannot be read
    virtual bool exists(const std::string& path) = 0;
    virtual void removeFile(const std::string& path) = 0;

    // The pane names this file, as after the user chose it.
    virtual void choose(int paneId, const std::string& path) = 0;
    virtual std::string paneText(int paneId) = 0;

    // Clicks a control and answers its boxes in order with `replies` (a box past them is closed unanswered);
    // returns every box seen.
    virtual std::vector<SeenBox> click(int controlId, const std::vector<Reply>& replies) = 0;
    // Moves of the main window during the last click, and whether it stands where it stood before.
    virtual int movesDuringLastClick() = 0;
    virtual bool backWhereItWas() = 0;
};

// A fresh main window of the suite's own platform; each test binary defines it once.
std::unique_ptr<WindowAdapter> openWindow();

}  // namespace lumivex::window_rules
