#include "cli/terminal_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "lumivex/utf8.h"

namespace lumivex::cli {

namespace {

void appendControl(std::string& out, uint8_t c) {
    switch (c) {
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        case 0x1B:
            out += "\\e";
            return;
        default:
            fmt::format_to(std::back_inserter(out), "\\x{:02X}", c);
    }
}

}  // namespace

std::string terminalText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<uint8_t>(bytes[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += bytes[i++];
            continue;
        }
        const size_t length = c < 0x80 ? 0 : utf8::decode(bytes, i).length;
        // U+0080 to U+009F are the C1 controls: CSI and OSC among them.
        const bool c1 = length == 2 && c == 0xC2 && static_cast<uint8_t>(bytes[i + 1]) < 0xA0;
        if (length == 0 || c1) {
            appendControl(out, c);
            if (c1) appendControl(out, static_cast<uint8_t>(bytes[i + 1]));
            i += c1 ? 2 : 1;
            continue;
        }
        out.append(bytes.substr(i, length));
        i += length;
    }
    return out;
}

std::string asciiText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<uint8_t>(bytes[i]);
        const utf8::CodePoint point = utf8::decode(bytes, i);
        const size_t length = point.length;
        if (length == 1 && c >= 0x20 && c < 0x7F) {
            out += bytes[i];
        } else if (length <= 1) {
            fmt::format_to(std::back_inserter(out), "\\x{:02X}", c);
        } else if (const auto code = static_cast<uint32_t>(point.code); code > 0xFFFF) {
            fmt::format_to(std::back_inserter(out), "\\U{:08X}", code);
        } else {
            fmt::format_to(std::back_inserter(out), "\\u{:04X}", code);
        }
        i += std::max<size_t>(1, length);
    }
    return out;
}

}  // namespace lumivex::cli
