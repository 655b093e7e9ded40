#include <cstddef>
#include <vector>

#include "app/core/messages.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_headers.h"
#include "app/win32/win32_layout.h"
#include "app/win32/win32_platform.h"

namespace lumivex::win32 {

namespace {

// The record without the three members newer systems append after the template name: 76 bytes in a 32-bit
// program; the same members take more room in a 64-bit one, where 76 makes every dialog fail.
constexpr DWORD kOldOpenFileNameSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(OPENFILENAMEW::lpTemplateName);
static_assert(sizeof(void*) != 4 || kOldOpenFileNameSize == 76);

}  // namespace

app::FileDialogResult showFileDialog(HWND owner, app::FileDialogPurpose purpose, std::size_t capacity) {
    app::FileDialogResult result;
    if (capacity == 0) capacity = 1;
    std::vector<wchar_t> buffer(capacity, L'\0');

    // The display text and the pattern, each terminated, and the list ended by an empty string.
    app::WideText filter = app::text::kJpegFilterText;
    filter.push_back(u'\0');
    filter += app::text::kJpegFilterPattern;
    filter.push_back(u'\0');

    OPENFILENAMEW record{};
    record.lStructSize = kOldOpenFileNameSize;
    record.hwndOwner = owner;
    record.lpstrFilter = wideChars(filter);
    record.lpstrFile = buffer.data();
    record.nMaxFile = static_cast<DWORD>(capacity);
    record.lpstrTitle = reinterpret_cast<const wchar_t*>(app::japaneseDialogTitle(purpose));
    record.Flags = kFileDialogFlags;

    const BOOL chosen =
        purpose == app::FileDialogPurpose::SaveThumbnail ? GetSaveFileNameW(&record) : GetOpenFileNameW(&record);
    if (chosen) {
        std::size_t length = 0;
        while (length < capacity && buffer[length] != L'\0') ++length;
        result.chosen = true;
        result.path = wideText(buffer.data(), length);
    } else {
        result.failureCode = CommDlgExtendedError();
    }
    return result;
}

}  // namespace lumivex::win32
