#include "app/core/utf16.h"

#include "lumivex/utf8.h"

namespace lumivex::app {

WideText utf16FromUtf8(std::string_view utf8) {
    WideText out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const utf8::CodePoint c = utf8::decode(utf8, i);
        // A bad byte becomes one replacement character and the next byte is read afresh.
        utf8::appendUtf16(out, c.length == 0 ? utf8::kReplacement : c.code);
        i += c.length == 0 ? 1 : c.length;
    }
    return out;
}

std::string utf8FromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (std::size_t i = 0; i < utf16.size();) {
        const utf8::CodePoint c = utf8::decodeUtf16(utf16, i);
        utf8::append(out, c.code);
        i += c.length;
    }
    return out;
}

}  // namespace lumivex::app
