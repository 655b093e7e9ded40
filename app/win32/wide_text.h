// The window's wide text (UTF-16 in std::u16string) is Win32's native wide text: only the pointer type differs.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

#include "app/core/window_platform.h"

namespace lumivex::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are UTF-16 code units");

inline const wchar_t* wideChars(const app::WideText& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline app::WideText wideText(const wchar_t* text, std::size_t length) {
    return app::WideText(reinterpret_cast<const char16_t*>(text), length);
}

inline app::WideText wideText(const wchar_t* text) {
    return text ? wideText(text, std::wcslen(text)) : app::WideText();
}

}  // namespace lumivex::win32
