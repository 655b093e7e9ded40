#include "app/win32/win32_platform.h"

#include "app/core/messages.h"
#include "app/win32/ansi_path.h"
#include "app/win32/control_under_cursor.h"
#include "app/win32/preview_bitmap.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_headers.h"

namespace lumivex::win32 {

namespace {

int showBox(HWND owner, const app::WideText& text, const char16_t* caption, UINT style) {
    return MessageBoxW(owner, wideChars(text), reinterpret_cast<const wchar_t*>(caption), style);
}

}  // namespace

bool Win32WindowPlatform::confirm(const app::UserMessage& question) {
    return showBox(mainWindow_, app::japaneseText(question), app::text::kConfirmCaption, MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void Win32WindowPlatform::showInfo(const app::UserMessage& message) {
    showBox(mainWindow_, app::japaneseText(message), app::text::kDoneCaption, MB_OK);
}

// Error and warning boxes have no caption of their own: the system gives its default title.
void Win32WindowPlatform::showError(const app::UserMessage& message) {
    showBox(mainWindow_, app::japaneseText(message), nullptr, MB_ICONERROR);
}

void Win32WindowPlatform::showWarning(const app::UserMessage& message) {
    showBox(mainWindow_, app::japaneseText(message), nullptr, MB_ICONWARNING);
}

void Win32WindowPlatform::showEngineMessage(const app::WideText& text) {
    showBox(nullptr, text, nullptr, MB_ICONERROR | MB_OK);
}

app::FileDialogResult Win32WindowPlatform::showFileDialog(app::FileDialogPurpose purpose, std::size_t capacity) {
    return win32::showFileDialog(mainWindow_, purpose, capacity);
}

app::WideText Win32WindowPlatform::controlText(int controlId) {
    HWND window = control(controlId);
    if (window == nullptr) return {};
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    return wideText(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void Win32WindowPlatform::setControlText(int controlId, const app::WideText& text) {
    SetWindowTextW(control(controlId), wideChars(text));
}

bool Win32WindowPlatform::pathExists(const app::WideText& path) {
    return GetFileAttributesW(wideChars(path)) != INVALID_FILE_ATTRIBUTES;
}

app::SystemCodePagePath Win32WindowPlatform::toSystemCodePage(const app::WideText& path) { return toAnsiPath(path); }

bool Win32WindowPlatform::setPaneImage(int paneId, const app::WideText& path) {
    HWND pane = control(paneId);
    return pane != nullptr && win32::setPaneImage(pane, wideChars(path));
}

app::ScreenPoint Win32WindowPlatform::mainWindowPosition() {
    RECT rect{};
    GetWindowRect(mainWindow_, &rect);
    return {rect.left, rect.top};
}

void Win32WindowPlatform::moveMainWindow(app::ScreenPoint topLeft) {
    SetWindowPos(mainWindow_, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32WindowPlatform::yieldTimeSlice() { Sleep(0); }

// Only a control of the main window has a command ID here; the main window itself and others have none.
int Win32WindowPlatform::controlUnderPointer() {
    HWND target = controlUnderCursor();
    if (target == nullptr || GetParent(target) != mainWindow_) return 0;
    return GetDlgCtrlID(target);
}

void Win32WindowPlatform::openWebPage(const app::WideText& address) {
    ShellExecuteW(nullptr, L"open", wideChars(address), nullptr, nullptr, SW_SHOWNORMAL);
}

// At once, from inside the command: the engine's report has been written, nothing else is shown.
void Win32WindowPlatform::endProgram(int status) { ExitProcess(static_cast<UINT>(status)); }

}  // namespace lumivex::win32
