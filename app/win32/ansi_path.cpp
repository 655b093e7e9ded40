#include "app/win32/ansi_path.h"

#include <climits>
#include <string>

#include "app/win32/wide_text.h"
#include "app/win32/win32_headers.h"

namespace lumivex::win32 {

namespace {

// Whether the 8-bit bytes decode back to exactly the wide path they came from.
bool decodesTo(UINT codePage, const std::string& bytes, const app::WideText& expected) {
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return false;
    std::wstring back(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, back.data(), needed) != needed) {
        return false;
    }
    return wideText(back.data(), back.size()) == expected;
}

}  // namespace

app::SystemCodePagePath toAnsiPath(const app::WideText& path) {
    app::SystemCodePagePath result;
    if (path.empty()) {
        result.lossless = true;
        return result;
    }
    if (path.size() > static_cast<std::size_t>(INT_MAX / 4)) return result;

    const UINT codePage = GetACP();
    // UTF-8 as the ANSI code page takes neither the best-fit flag nor the used-default report.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultReport = utf8 ? nullptr : &usedDefault;
    const int wideLength = static_cast<int>(path.size());

    const int needed =
        WideCharToMultiByte(codePage, flags, wideChars(path), wideLength, nullptr, 0, nullptr, usedDefaultReport);
    if (needed <= 0) return result;
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    usedDefault = FALSE;
    const int written = WideCharToMultiByte(codePage, flags, wideChars(path), wideLength, bytes.data(), needed, nullptr,
                                            usedDefaultReport);
    if (written != needed) return result;

    // The round trip also catches what a code page maps without reporting it.
    result.lossless = !usedDefault && decodesTo(codePage, bytes, path);
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace lumivex::win32
