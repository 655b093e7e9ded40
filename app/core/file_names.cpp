#include "app/core/file_names.h"

#include "app/core/controls.h"

namespace lumivex::app {

namespace {

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

// The extension found from the last "." equals ".jpg" exactly when the path ends with it: ".jpg" holds no
// separator, so the last "." is the one it starts with.
bool hasJpgExtension(const WideText& path) {
    static constexpr char16_t kJpg[] = u".jpg";
    constexpr std::size_t kLength = 4;
    if (path.size() < kLength) return false;
    const std::size_t start = path.size() - kLength;
    for (std::size_t i = 0; i < kLength; ++i) {
        if (asciiLower(path[start + i]) != kJpg[i]) return false;
    }
    return true;
}

bool isChosenPath(const WideText& caption) {
    return !caption.empty() && caption.size() < static_cast<std::size_t>(kPathCapacity) && caption != kPanePrompt;
}

}  // namespace lumivex::app
