#include "tests/win32/window_fixture.h"

#include <shlobj.h>

#include <atomic>

#include "app/core/controls.h"
#include "app/win32/main_window.h"

namespace lumivex::test {

namespace {

// Every WM_QUIT the destroyed window posted, so that the next test's boxes do not end at once.
void drainQuit() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void removeFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeFolder(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring testDataPath(const std::wstring& relative) {
    std::wstring path = std::wstring(L"Z:") + LUMIVEX_TEST_DATA_W + L"\\" + relative;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

std::vector<std::uint8_t> readFileBytes(const std::wstring& path) {
    std::vector<std::uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    const DWORD size = GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD read = 0;
    if (size > 0 && !ReadFile(file, bytes.data(), size, &read, nullptr)) read = 0;
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

void writeFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create a test file";
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ =
        std::wstring(temp) + L"lumivex-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    if (!path_.empty() && path_.back() == L'\\') path_.pop_back();
    removeFolder(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { removeFolder(path_); }

std::wstring TempFolder::copyPhoto(const std::wstring& photo, const std::wstring& name) const {
    const std::wstring target = file(name);
    writeFileBytes(target, readFileBytes(testDataPath(L"photos\\" + photo)));
    return target;
}

void WindowSession::open() {
    // As Lumivex.exe runs it: in a single-threaded COM apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    drainQuit();
    window_ = win32::createMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(window_, nullptr);
    // Wholly on the screen, wherever the system would cascade it: drops aim at points inside it.
    SetWindowPos(window_, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    UpdateWindow(window_);
    ShowWindow(window_, SW_SHOWNORMAL);
    pump(50);
}

void WindowSession::close() {
    if (IsWindow(window_)) SendMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
    pump();
    drainQuit();
    CoUninitialize();
}

std::wstring WindowSession::controlText(int id) const {
    wchar_t text[1024] = {};
    GetWindowTextW(control(id), text, 1024);
    return text;
}

std::vector<SeenBox> WindowSession::click(int id, std::vector<Answer> answers) {
    BoxAnswerer answerer(GetCurrentThreadId(), std::move(answers));
    SendMessageW(control(id), BM_CLICK, 0, 0);
    return answerer.finish();
}

std::vector<SeenBox> WindowSession::command(int id, int notification, std::vector<Answer> answers, LRESULT* result) {
    BoxAnswerer answerer(GetCurrentThreadId(), std::move(answers));
    const LRESULT answered =
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control(id)));
    if (result != nullptr) *result = answered;
    return answerer.finish();
}

void WindowSession::drop(int frameId, POINT pointer, const std::vector<std::wstring>& files) {
    std::size_t characters = 1;  // the empty string that ends the list
    for (const std::wstring& file : files) characters += file.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    ASSERT_NE(block, nullptr);
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<std::uint8_t*>(header) + sizeof(DROPFILES));
    for (const std::wstring& file : files) {
        file.copy(names, file.size());
        names += file.size() + 1;
    }
    GlobalUnlock(block);

    ASSERT_TRUE(SetCursorPos(pointer.x, pointer.y));
    // The window frees the drop (DragFinish).
    SendMessageW(control(frameId), WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

POINT WindowSession::middleOf(int id) const {
    RECT rect{};
    GetWindowRect(control(id), &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void WindowSession::choose(int paneId, const std::wstring& path) {
    const int frameId = paneId == app::kSourcePaneId ? app::kSourceFrameId : app::kThumbnailFrameId;
    drop(frameId, middleOf(paneId), {path});
    ASSERT_EQ(controlText(paneId), path);
}

void WindowSession::pump(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (milliseconds > 0) Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

}  // namespace lumivex::test
