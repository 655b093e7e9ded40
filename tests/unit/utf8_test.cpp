// The shared decoder at the edges of UTF-8 and UTF-16: what every caller's escapes and replacements rest on.
#include "lumivex/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using lumivex::utf8::decode;
using lumivex::utf8::decodeUtf16;

TEST(Utf8, DecodesValidSequencesAndRejectsMalformedOnes) {
    struct Case {
        const char* what;
        std::string bytes;
        char32_t code;
        size_t length;
    };
    const Case cases[] = {
        {"last one-byte", "\x7F", 0x7F, 1},
        {"first two-byte", "\xC2\x80", 0x80, 2},
        {"three-byte", "\xE5\x86\x99", 0x5199, 3},
        {"four-byte", "\xF0\x9F\x93\xB7", 0x1F4F7, 4},
        {"last code point", "\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0, 0},
        {"overlong two-byte lead", "\xC1\xBF", 0, 0},
        {"overlong three-byte", "\xE0\x9F\xBF", 0, 0},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF", 0, 0},
        {"high surrogate", "\xED\xA0\x80", 0, 0},
        {"last before surrogates", "\xED\x9F\xBF", 0xD7FF, 3},
        {"stray continuation", "\x80", 0, 0},
        {"four-byte cut short", "\xF0\x9F\x93", 0, 0},
        {"continuation missing", "\xE5\x41\x99", 0, 0},
        {"lead F5", "\xF5\x80\x80\x80", 0, 0},
        {"nothing there", "", 0, 0},
    };
    for (const Case& c : cases) {
        const auto point = decode(c.bytes, 0);
        EXPECT_EQ(point.length, c.length) << c.what;
        if (c.length != 0) {
            EXPECT_EQ(point.code, c.code) << c.what;
            std::string again;
            lumivex::utf8::append(again, point.code);
            EXPECT_EQ(again, c.bytes) << c.what;
        }
    }
}

TEST(Utf8, DecodesUtf16PairsAndReplacesLoneSurrogates) {
    struct Case {
        const char* what;
        std::u16string units;
        char32_t code;
        size_t length;
    };
    const Case cases[] = {
        {"plain unit", u"\u5199", 0x5199, 1},
        {"pair", u"\U0001F4F7", 0x1F4F7, 2},
        {"high at the end", std::u16string(1, char16_t{0xD83D}), 0xFFFD, 1},
        {"low first", std::u16string{char16_t{0xDCF7}, char16_t{0xD83D}}, 0xFFFD, 1},
        {"high before a plain unit", std::u16string{char16_t{0xD83D}, u'a'}, 0xFFFD, 1},
    };
    for (const Case& c : cases) {
        const auto point = decodeUtf16(c.units, 0);
        EXPECT_EQ(point.code, c.code) << c.what;
        EXPECT_EQ(point.length, c.length) << c.what;
        if (c.code != 0xFFFD) {
            std::u16string again;
            lumivex::utf8::appendUtf16(again, point.code);
            EXPECT_EQ(again, c.units) << c.what;
        }
    }
}

}  // namespace
