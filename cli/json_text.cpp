#include "cli/json_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lumivex::cli {

namespace {

void appendEscapedByte(std::string& out, uint8_t byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", byte);
    out += escape;
}

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

size_t utf8SequenceLength(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t lead = byte(i);
    size_t length;
    uint32_t minimum;
    uint32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

namespace {

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        appendAscii(out, static_cast<uint8_t>(code));
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
        const size_t length = utf8SequenceLength(bytes, i);
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
    for (size_t i = 0; i < path.size();) {
        if (static_cast<uint8_t>(path[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t length = utf8SequenceLength(path, i);
        if (length == 0) return members + ", \"path_bytes\": \"" + base64(path) + "\"";
        i += length;
    }
    return members;
}

std::string jsonStringFromUtf16le(const uint8_t* bytes, size_t units) {
    std::string out = "\"";
    for (size_t i = 0; i < units; ++i) {
        const uint32_t unit = bytes[2 * i] | (uint32_t{bytes[2 * i + 1]} << 8);
        if (unit == 0) break;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const uint32_t low = bytes[2 * i + 2] | (uint32_t{bytes[2 * i + 3]} << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    return out + "\"";
}

std::string jsonFloat(float value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    // Whole numbers read best without an exponent ("300", not "3e+02").
    if (value == std::trunc(value) && std::fabs(value) < 1e9f) {
        std::snprintf(text, sizeof text, "%.0f", static_cast<double>(value));
        return text;
    }
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    return text;
}

}  // namespace lumivex::cli
