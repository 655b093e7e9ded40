#include "tests/win32/box_answerer.h"

#include <chrono>

namespace lumivex::test {

namespace {

// Controls of the system's dialogs: the message text of a box and the file-name field of a file dialog.
constexpr int kMessageTextId = 0xFFFF;
constexpr int kFileNameFieldId = 0x47C;
// The box's icon control: its ID differs between systems.
constexpr int kIconIds[] = {0x14, 0x440};

constexpr auto kPoll = std::chrono::milliseconds(10);
constexpr auto kGoneTimeout = std::chrono::seconds(10);

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

bool isDialogClass(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return std::wstring(name) == L"#32770";
}

BOOL CALLBACK takeVisibleDialog(HWND window, LPARAM found) {
    if (!isDialogClass(window) || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

BoxIcon iconOf(HWND box) {
    for (int id : kIconIds) {
        HWND control = GetDlgItem(box, id);
        if (control == nullptr || !IsWindowVisible(control)) continue;
        auto icon = reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
        if (icon == nullptr) continue;
        if (icon == LoadIconW(nullptr, IDI_ERROR)) return BoxIcon::Error;
        if (icon == LoadIconW(nullptr, IDI_QUESTION)) return BoxIcon::Question;
        if (icon == LoadIconW(nullptr, IDI_WARNING)) return BoxIcon::Warning;
        return BoxIcon::Other;
    }
    return BoxIcon::None;
}

}  // namespace

HWND findVisibleDialog(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, takeVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

SeenBox readBox(HWND box) {
    SeenBox seen;
    seen.caption = windowText(box);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.fileDialog = GetDlgItem(box, kFileNameFieldId) != nullptr;
    if (!seen.fileDialog) {
        wchar_t text[2048] = {};
        GetDlgItemTextW(box, kMessageTextId, text, 2048);
        seen.text = text;
    }
    seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
    seen.hasYes = GetDlgItem(box, IDYES) != nullptr;
    seen.hasNo = GetDlgItem(box, IDNO) != nullptr;
    seen.icon = seen.fileDialog ? BoxIcon::None : iconOf(box);
    return seen;
}

void answerBox(HWND box, const Answer& answer) {
    if (!answer.fileName.empty()) SetDlgItemTextW(box, kFileNameFieldId, answer.fileName.c_str());
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, answer.button)));
}

BoxAnswerer::BoxAnswerer(DWORD uiThread, std::vector<Answer> answers)
    : uiThread_(uiThread), answers_(std::move(answers)), thread_([this] { run(); }) {}

BoxAnswerer::~BoxAnswerer() { finish(); }

std::vector<SeenBox> BoxAnswerer::finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return seen_;
}

void BoxAnswerer::run() {
    while (!stop_) {
        HWND box = findVisibleDialog(uiThread_);
        if (box == nullptr) {
            std::this_thread::sleep_for(kPoll);
            continue;
        }
        // A box is complete once it is visible; give its controls one more turn of the modal loop.
        std::this_thread::sleep_for(kPoll);
        SeenBox seen = readBox(box);
        Answer answer;
        if (seen_.size() < answers_.size()) {
            answer = answers_[seen_.size()];
        } else {
            answer.button = seen.hasNo ? IDNO : (seen.fileDialog ? IDCANCEL : IDOK);
        }
        seen_.push_back(std::move(seen));
        answerBox(box, answer);
        const auto deadline = std::chrono::steady_clock::now() + kGoneTimeout;
        while (IsWindow(box) && IsWindowVisible(box) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kPoll);
        }
    }
}

std::wstring defaultBoxCaption() {
    BoxAnswerer answerer(GetCurrentThreadId(), {press(IDOK)});
    MessageBoxW(nullptr, L"caption probe", nullptr, MB_OK);
    const std::vector<SeenBox> seen = answerer.finish();
    return seen.empty() ? std::wstring() : seen.front().caption;
}

}  // namespace lumivex::test
