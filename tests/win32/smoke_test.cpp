// Lumivex.exe as a user starts it: its own process, a click, the box read and answered, the window closed.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/win32/box_answerer.h"

namespace lumivex::test {
namespace {

constexpr DWORD kTimeoutMs = 10000;

struct FoundWindow {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK takeMainWindow(HWND window, LPARAM parameter) {
    auto* found = reinterpret_cast<FoundWindow*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (processId != found->processId || std::wstring(name) != L"LumivexWindowClass" || !IsWindowVisible(window)) {
        return TRUE;
    }
    found->window = window;
    return FALSE;
}

template <typename Condition>
bool waitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::wstring windowsPath(const std::wstring& unixPath) {
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

std::wstring lumivexExe() { return windowsPath(LUMIVEX_EXE_W); }

std::wstring versionString(const std::vector<std::uint8_t>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041103A4\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || length == 0) return {};
    return static_cast<const wchar_t*>(value);
}

TEST(LumivexExeTest, CarriesItsVersionRecordManifestAndIcons) {
    const std::wstring exe = lumivexExe();
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    WORD* translation = nullptr;
    ASSERT_TRUE(
        VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 932);
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) EXPECT_EQ(versionString(info, name), L"1.00");
    for (const wchar_t* name : {L"ProductName", L"FileDescription", L"Comments", L"InternalName"}) {
        EXPECT_EQ(versionString(info, name), L"Lumivex") << name;
    }

    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
    for (int icon : {104, 105, 106, 107}) {
        EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(icon), RT_GROUP_ICON), nullptr) << icon;
    }
    FreeLibrary(module);
}

// Lumivex.exe started as the shell starts it; ended by force only if a test left it running.
class LumivexProcess {
  public:
    explicit LumivexProcess(const std::wstring& arguments, int showCommand = -1) {
        std::wstring commandLine = L"\"" + lumivexExe() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (showCommand >= 0) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = static_cast<WORD>(showCommand);
        }
        started_ = CreateProcessW(lumivexExe().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process_) != 0;
        if (started_) WaitForInputIdle(process_.hProcess, kTimeoutMs);
    }
    LumivexProcess(const LumivexProcess&) = delete;
    LumivexProcess& operator=(const LumivexProcess&) = delete;
    ~LumivexProcess() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    bool started() const { return started_; }

    // The exit code once the process has ended by itself, or 99 when it is still running after the timeout.
    DWORD waitForExit() const {
        if (WaitForSingleObject(process_.hProcess, kTimeoutMs) != WAIT_OBJECT_0) return 99;
        DWORD exitCode = 99;
        GetExitCodeProcess(process_.hProcess, &exitCode);
        return exitCode;
    }
    DWORD threadId() const { return process_.dwThreadId; }

    // The visible main window of the process, or nullptr after the timeout.
    HWND mainWindow() const {
        FoundWindow found{process_.dwProcessId, nullptr};
        waitFor([&] {
            EnumWindows(takeMainWindow, reinterpret_cast<LPARAM>(&found));
            return found.window != nullptr;
        });
        return found.window;
    }

    // Closes the window; the exit code, or 99 when the process did not end.
    DWORD close(HWND window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.hProcess, kTimeoutMs) != WAIT_OBJECT_0) return 99;
        DWORD exitCode = 99;
        GetExitCodeProcess(process_.hProcess, &exitCode);
        return exitCode;
    }

  private:
    bool started_ = false;
    PROCESS_INFORMATION process_{};
};

TEST(LumivexExeTest, AClickShowsItsBoxAndClosingEndsWithExitCodeZero) {
    // A file name on the command line is ignored: the panes start with the prompt.
    LumivexProcess lumivex(L"C:\\photo.jpg");
    ASSERT_TRUE(lumivex.started()) << GetLastError();
    HWND window = lumivex.mainWindow();
    ASSERT_NE(window, nullptr);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    EXPECT_STREQ(text, L"Lumivex Ver.1.00");
    GetWindowTextW(GetDlgItem(window, 1003), text, 256);
    EXPECT_STREQ(text, L"ボタンをクリック、\nまたはファイルをドロップしてください");
    EXPECT_FALSE(IsIconic(window));

    HWND button = GetDlgItem(window, 1007);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(1007, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    HWND box = nullptr;
    ASSERT_TRUE(waitFor([&] { return (box = findVisibleDialog(lumivex.threadId())) != nullptr; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const SeenBox seen = readBox(box);
    EXPECT_EQ(seen.text, L"正しいファイル名が指定されていません。");
    EXPECT_EQ(seen.owner, window);
    answerBox(box, press(IDOK));
    EXPECT_TRUE(waitFor([&] { return !IsWindow(box); }));

    EXPECT_EQ(lumivex.close(window), 0u);
}

// A photo cut inside its Exif block: reading it ends in a fatal report, after which the window ends with
// status 1 and shows nothing more.
TEST(LumivexExeTest, AFatalReportEndsTheProgramWithStatusOne) {
    wchar_t folder[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring photo =
        std::wstring(folder) + L"lumivex-fatal-" + std::to_wstring(GetCurrentProcessId()) + L".jpg";
    ASSERT_TRUE(CopyFileW(windowsPath(std::wstring(LUMIVEX_TEST_DATA_W) + L"/photos/canon-40d.jpg").c_str(),
                          photo.c_str(), FALSE));
    SetFileAttributesW(photo.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileW(photo.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFilePointer(file, 1000, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);

    LumivexProcess lumivex(L"");
    ASSERT_TRUE(lumivex.started()) << GetLastError();
    HWND window = lumivex.mainWindow();
    ASSERT_NE(window, nullptr);
    // Choose the photo for the source pane in the open dialog, then delete its thumbnail and say Yes.
    const std::pair<int, Answer> steps[] = {{1003, chooseFile(photo)}, {1007, press(IDYES)}};
    for (const auto& [id, answer] : steps) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        HWND box = nullptr;
        ASSERT_TRUE(waitFor([&] { return (box = findVisibleDialog(lumivex.threadId())) != nullptr; })) << id;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        answerBox(box, answer);
        if (id == 1003) {
            ASSERT_TRUE(waitFor([&] { return !IsWindow(box); }));
        }
    }
    EXPECT_EQ(lumivex.waitForExit(), 1u);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(photo.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 1000u) << "the photo is as it was";
    EXPECT_EQ(GetFileAttributesW((photo + L".orig").c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(photo.c_str());
}

TEST(LumivexExeTest, ShowsTheWindowWithTheStartUpShowCommand) {
    LumivexProcess lumivex(L"", SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(lumivex.started()) << GetLastError();
    HWND window = lumivex.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(waitFor([&] { return IsIconic(window) != 0; }));
    EXPECT_EQ(lumivex.close(window), 0u);
}

}  // namespace
}  // namespace lumivex::test
