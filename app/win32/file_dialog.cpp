#include <cstddef>
#include <vector>

#include "app/core/controls.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_headers.h"
#include "app/win32/win32_platform.h"

namespace lumivex::win32 {

namespace {

// The record without the three members newer systems append after the template name: 76 bytes in a 32-bit
// program; the same members take more room in a 64-bit one, where 76 makes every dialog fail.
constexpr DWORD kOldOpenFileNameSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(OPENFILENAMEW::lpTemplateName);
static_assert(sizeof(void*) != 4 || kOldOpenFileNameSize == app::kOpenFileNameSize);

}  // namespace

app::FileDialogResult showFileDialog(const app::FileDialogRequest& request) {
    app::FileDialogResult result;
    const std::size_t capacity = request.capacity > 0 ? request.capacity : 1;
    std::vector<wchar_t> buffer(capacity, L'\0');

    // The display text and the pattern, each terminated, and the list ended by an empty string.
    app::WideText filter = request.filterText;
    filter.push_back(u'\0');
    filter += request.filterPattern;
    filter.push_back(u'\0');

    OPENFILENAMEW record{};
    record.lStructSize = kOldOpenFileNameSize;
    record.hwndOwner = toHwnd(request.owner);
    record.lpstrFilter = wideChars(filter);
    record.lpstrFile = buffer.data();
    record.nMaxFile = static_cast<DWORD>(capacity);
    record.lpstrTitle = wideChars(request.title);
    record.Flags = request.flags;

    const BOOL chosen =
        request.kind == app::FileDialogKind::Open ? GetOpenFileNameW(&record) : GetSaveFileNameW(&record);
    if (chosen) {
        std::size_t length = 0;
        while (length < capacity && buffer[length] != L'\0') ++length;
        result.chosen = true;
        result.path = wideText(buffer.data(), length);
    } else {
        result.extendedError = CommDlgExtendedError();
    }
    return result;
}

}  // namespace lumivex::win32
