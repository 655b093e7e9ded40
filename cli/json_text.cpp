#include "cli/json_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "lumivex/utf8.h"

namespace lumivex::cli {

namespace {

void appendEscapedByte(std::string& out, uint8_t byte) { fmt::format_to(std::back_inserter(out), "\\u{:04x}", byte); }

void appendAscii(std::string& out, uint8_t c) {
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            if (c < 0x20 || c == 0x7F) {
                appendEscapedByte(out, c);
            } else {
                out += static_cast<char>(c);
            }
    }
}

}  // namespace

namespace {

void appendCodePoint(std::string& out, char32_t code) {
    if (code < 0x80) {
        appendAscii(out, static_cast<uint8_t>(code));
    } else {
        utf8::append(out, code);
    }
}

}  // namespace

std::string jsonStringFromBytes(std::string_view bytes) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        const uint8_t c = static_cast<uint8_t>(bytes[i]);
        if (c < 0x80) {
            appendAscii(out, c);
            ++i;
            continue;
        }
        const size_t length = utf8::decode(bytes, i).length;
        if (length == 0) {
            appendEscapedByte(out, c);
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out + "\"";
}

JsonLine& JsonLine::raw(std::string_view key, std::string_view json) {
    return members(jsonStringFromBytes(key) + ": " + std::string(json));
}

JsonLine& JsonLine::members(std::string_view json) {
    if (!body_.empty() && !json.empty()) body_ += ", ";
    body_ += json;
    return *this;
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k) group = (group << 8) | (k < n ? static_cast<uint8_t>(bytes[i + k]) : 0);
        for (size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

std::string jsonPathMembers(std::string_view path) {
    std::string members = "\"path\": " + jsonStringFromBytes(path);
    if (!utf8::isValid(path)) members += ", \"path_bytes\": \"" + base64(path) + "\"";
    return members;
}

std::string jsonStringFromUtf16le(const uint8_t* bytes, size_t units) {
    std::u16string text;
    for (size_t i = 0; i < units; ++i) {
        const auto unit = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (unit == 0) break;
        text += unit;
    }
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const utf8::CodePoint c = utf8::decodeUtf16(text, i);
        appendCodePoint(out, c.code);
        i += c.length;
    }
    return out + "\"";
}

std::string jsonFloat(float value) {
    if (!std::isfinite(value)) return "null";
    // Whole numbers read best without an exponent ("300", not "3e+02").
    if (value == std::trunc(value) && std::fabs(value) < 1e9f) return fmt::format("{:.0f}", static_cast<double>(value));
    std::string text;
    for (int digits = 1; digits <= 9; ++digits) {
        text = fmt::format("{:.{}g}", static_cast<double>(value), digits);
        if (std::strtof(text.c_str(), nullptr) == value) break;
    }
    return text;
}

}  // namespace lumivex::cli
