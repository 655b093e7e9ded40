// The crossing from the window's wide paths to the engine's 8-bit paths in the system code page.
#pragma once

#include "app/core/window_platform.h"

namespace lumivex::win32 {

// The path in the ANSI code page. Not lossless when a character has no exact form there: the default
// character or a best-fit look-alike (é as e) would name another file, so such a path must not be used.
app::SystemCodePagePath toAnsiPath(const app::WideText& path);

}  // namespace lumivex::win32
