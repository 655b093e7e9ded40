// UTF-8 and UTF-16 code points, one at a time: the one decoder and encoder every front end's text goes through.
// What a caller does with a malformed sequence (a replacement character, an escape) stays the caller's choice.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumivex::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

struct CodePoint {
    char32_t code = 0;
    std::size_t length = 0;  // units read: 1 to 4 bytes, or 1 to 2 UTF-16 units; 0 when none is valid there
};

// The code point whose UTF-8 sequence starts at text[at]. Length 0 for a stray continuation byte, an overlong
// form, a surrogate, a value beyond U+10FFFF or a sequence the text cuts short; also when at is past the end.
CodePoint decode(std::string_view text, std::size_t at);

// The code point at text[at] of UTF-16; an unpaired surrogate reads as U+FFFD of length 1.
CodePoint decodeUtf16(std::u16string_view text, std::size_t at);

// Appends the UTF-8 bytes of a code point (U+0000 to U+10FFFF).
void append(std::string& out, char32_t code);

// Appends one UTF-16 unit, or two for a code point beyond U+FFFF.
void appendUtf16(std::u16string& out, char32_t code);

// True when the whole text is valid UTF-8.
bool isValid(std::string_view text);

}  // namespace lumivex::utf8
