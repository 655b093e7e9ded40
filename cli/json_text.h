// JSON string literals from the byte texts of a photo's metadata.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumivex::cli {

// A quoted JSON string. Valid UTF-8 passes through; a byte that is not part of valid UTF-8 is written as
// \u00XX of its value, so that no byte of the file is lost or guessed at.
std::string jsonStringFromBytes(std::string_view bytes);

// One JSON object on one line, its members in the order added: {"a": 1, "b": "x"}.
class JsonLine {
  public:
    JsonLine& raw(std::string_view key, std::string_view json);  // a value written as JSON already
    JsonLine& text(std::string_view key, std::string_view bytes) { return raw(key, jsonStringFromBytes(bytes)); }
    JsonLine& number(std::string_view key, long long value) { return raw(key, std::to_string(value)); }
    JsonLine& members(std::string_view json);  // "\"k\": v, ..." written already
    std::string finish() const { return "{" + body_ + "}"; }

  private:
    std::string body_;
};

// The "path" member of a result line, and after it "path_bytes" (the name's bytes in base64) when the name is
// not valid UTF-8: its \u00XX escapes alone would read back as another name.
std::string jsonPathMembers(std::string_view path);

// Standard base64 with padding.
std::string base64(std::string_view bytes);

// A quoted JSON string from UTF-16LE text of `units` 16-bit units, ending early at a NUL unit; an unpaired
// surrogate becomes U+FFFD.
std::string jsonStringFromUtf16le(const uint8_t* bytes, size_t units);

// The shortest text that reads back as the same 32-bit float; null for infinities and NaN.
std::string jsonFloat(float value);

}  // namespace lumivex::cli
