#include "lumivex/utf8.h"

#include <cstdint>

namespace lumivex::utf8 {

CodePoint decode(std::string_view text, std::size_t at) {
    if (at >= text.size()) return {};
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[at + k]); };
    const std::uint8_t lead = byte(0);
    std::size_t length;
    char32_t minimum;
    char32_t code;
    if (lead < 0x80) {
        return {lead, 1};
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return {};
    }
    if (text.size() - at < length) return {};
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return {};
        code = (code << 6) | (byte(k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {code, length};
}

CodePoint decodeUtf16(std::u16string_view text, std::size_t at) {
    if (at >= text.size()) return {};
    const char32_t unit = text[at];
    if (unit < 0xD800 || unit > 0xDFFF) return {unit, 1};
    if (unit <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
        return {0x10000 + ((unit - 0xD800) << 10) + (text[at + 1] - 0xDC00), 2};
    }
    return {kReplacement, 1};
}

void append(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
}

bool isValid(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = decode(text, i).length;
        if (length == 0) return false;
        i += length;
    }
    return true;
}

}  // namespace lumivex::utf8
