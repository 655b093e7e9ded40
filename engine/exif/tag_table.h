// Names of the Exif tags, in the order the system keeps them (not sorted: SubjectArea follows
// FocalLengthIn35mmFilm). The walker decides by number; the names serve reports and tools.
#pragma once

#include <cstdint>
#include <span>

namespace lumivex {

struct ExifTagName {
    uint16_t tag;
    const char* name;
};

extern const std::span<const ExifTagName> exifTagTable;

// The name of a tag, or nullptr when the table has none.
const char* exifTagName(uint16_t tag);

}  // namespace lumivex
