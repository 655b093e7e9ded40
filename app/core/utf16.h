// UTF-8 and UTF-16 conversions for the texts that cross between the engine and the window.
#pragma once

#include <string>
#include <string_view>

#include "app/core/window_platform.h"

namespace lumivex::app {

// Malformed input becomes U+FFFD, one per bad sequence.
WideText utf16FromUtf8(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view utf16);

}  // namespace lumivex::app
