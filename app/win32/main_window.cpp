#include "app/win32/main_window.h"

#include <cstddef>

#include "app/core/commands.h"
#include "app/core/controls.h"
#include "app/core/driver_boxes.h"
#include "app/win32/control_handlers.h"
#include "app/win32/preview_bitmap.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_headers.h"
#include "app/win32/win32_layout.h"
#include "app/win32/win32_platform.h"

namespace lumivex::win32 {

MainWindow mainWindow;

namespace {

// The metrics record without the padded-border member that newer systems append.
static_assert(offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth) == kNonClientMetricsSize);

// The driver's own boxes have no owner, so one platform without a main window serves them.
Win32WindowPlatform driverBoxPlatform(nullptr);

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

HWND* controlSlot(int id) {
    switch (id) {
        case app::kSourceFrameId:
            return &mainWindow.sourceFrame;
        case app::kThumbnailFrameId:
            return &mainWindow.thumbnailFrame;
        case app::kSourcePaneId:
            return &mainWindow.sourcePane;
        case app::kThumbnailPaneId:
            return &mainWindow.thumbnailPane;
        case app::kReplaceButtonId:
            return &mainWindow.replaceButton;
        case app::kSaveButtonId:
            return &mainWindow.saveButton;
        case app::kDeleteButtonId:
            return &mainWindow.deleteButton;
        case app::kLinkMarkId:
            return &mainWindow.linkMark;
        default:
            return nullptr;
    }
}

HFONT createControlFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = kNonClientMetricsSize;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfStatusFont);
}

HICON loadButtonIcon(int id) {
    return static_cast<HICON>(LoadImageW(mainWindow.instance, MAKEINTRESOURCEW(id), IMAGE_ICON, app::kButtonIconSize,
                                         app::kButtonIconSize, 0));
}

void setButtonIcon(HWND button, HICON icon) {
    SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

// Icons of a window created earlier in this process; its buttons are gone with it.
void releaseEarlierIcons() {
    for (HICON* icon : {&mainWindow.replaceIcon, &mainWindow.saveIcon, &mainWindow.deleteIcon}) {
        if (*icon != nullptr) DestroyIcon(*icon);
        *icon = nullptr;
    }
}

LRESULT onCreate(HWND window) {
    InitCommonControls();
    mainWindow.controlFont = createControlFont();

    for (const app::ControlSpec& spec : app::kControls) {
        const ControlClassAndStyle kind = controlClassAndStyle(spec.id);
        HWND control = CreateWindowExW(
            kind.exStyle, kind.className, wide(spec.caption), kind.style, spec.x, spec.y, spec.width, spec.height,
            window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), mainWindow.instance, nullptr);
        if (HWND* slot = controlSlot(spec.id)) *slot = control;
    }
    for (const app::ControlSpec& spec : app::kControls) {
        SendMessageW(*controlSlot(spec.id), WM_SETFONT, reinterpret_cast<WPARAM>(mainWindow.controlFont), TRUE);
    }

    releaseEarlierIcons();
    mainWindow.replaceIcon = loadButtonIcon(app::kReplaceIconId);
    mainWindow.saveIcon = loadButtonIcon(app::kSaveIconId);
    mainWindow.deleteIcon = loadButtonIcon(app::kDeleteIconId);
    setButtonIcon(mainWindow.replaceButton, mainWindow.replaceIcon);
    setButtonIcon(mainWindow.saveButton, mainWindow.saveIcon);
    setButtonIcon(mainWindow.deleteButton, mainWindow.deleteIcon);

    installControlHandler(mainWindow.sourceFrame, frameDropHandler);
    installControlHandler(mainWindow.thumbnailFrame, frameDropHandler);
    installControlHandler(mainWindow.linkMark, linkCursorHandler);

    DragAcceptFiles(mainWindow.sourceFrame, TRUE);
    DragAcceptFiles(mainWindow.thumbnailFrame, TRUE);

    app::routeDriverMessagesTo(&driverBoxPlatform);
    return 0;
}

LRESULT onPaint(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    // The shared copy: loaded once by the system and never released by us.
    auto icon = static_cast<HICON>(LoadImageW(mainWindow.instance, MAKEINTRESOURCEW(app::kAppIconId), IMAGE_ICON,
                                              app::kLargePictureSize, app::kLargePictureSize, LR_SHARED));
    if (dc != nullptr && icon != nullptr) {
        DrawIconEx(dc, app::kLargePictureX, app::kLargePictureY, icon, app::kLargePictureSize, app::kLargePictureSize,
                   0, nullptr, DI_NORMAL);
    }
    EndPaint(window, &paint);
    return 0;
}

LRESULT onCtlColorStatic(HWND window, HDC dc, HWND control) {
    if (control == nullptr || control != mainWindow.linkMark) {
        return DefWindowProcW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control));
    }
    // Pink text straight on the large picture: no background box.
    SetTextColor(dc, kLinkMarkColor);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// The control ID is in the low word; only the link mark looks at the notification code, and a click on it
// (STN_CLICKED) is answered with 1 after the web page has been opened.
LRESULT onCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const bool linkClick = id == app::kLinkMarkId && HIWORD(wParam) == STN_CLICKED;
    if (id != app::kLinkMarkId || linkClick) {
        Win32WindowPlatform platform(window);
        app::handleClick(platform, id);
    }
    if (linkClick) return 1;
    return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}

LRESULT onClose(HWND window) {
    ShowWindow(window, SW_HIDE);
    if (mainWindow.controlFont != nullptr) DeleteObject(mainWindow.controlFont);
    mainWindow.controlFont = nullptr;
    DestroyWindow(window);
    return 0;
}

LRESULT onDestroy() {
    // Each pane owns its preview; the bitmaps go with the window.
    releasePaneImage(mainWindow.sourcePane);
    releasePaneImage(mainWindow.thumbnailPane);
    PostQuitMessage(0);
    return 0;
}

}  // namespace

bool registerMainWindowClass(HINSTANCE instance, const wchar_t* className) {
    WNDCLASSW windowClass{};
    windowClass.style = kWindowClassStyle;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(app::kAppIconId));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(kClassBackgroundBrush));
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass) != 0;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return onCreate(window);
        case WM_PAINT:
            return onPaint(window);
        case WM_CTLCOLORSTATIC:
            return onCtlColorStatic(window, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_COMMAND:
            return onCommand(window, wParam, lParam);
        case WM_CLOSE:
            return onClose(window);
        case WM_DESTROY:
            return onDestroy();
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND createMainWindow(HINSTANCE instance) {
    mainWindow.instance = instance;
    registerMainWindowClass(instance, kWindowClassName);
    return CreateWindowExW(kMainWindowExStyle, kWindowClassName, wide(app::kWindowTitle), kMainWindowStyle,
                           CW_USEDEFAULT, CW_USEDEFAULT, app::kMainWindowWidth, app::kMainWindowHeight, nullptr,
                           nullptr, instance, nullptr);
}

int startupShowCommand() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

int runMainWindow(HINSTANCE instance, int showCommand) {
    // The explorer-style file dialogs and ShellExecuteW expect a single-threaded COM apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    HWND window = createMainWindow(instance);
    if (window == nullptr) ExitProcess(0);
    UpdateWindow(window);
    ShowWindow(window, showCommand);

    MSG message{};
    BOOL got = FALSE;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) {
            message.wParam = 0;
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CoUninitialize();
    return static_cast<int>(message.wParam);
}

}  // namespace lumivex::win32
