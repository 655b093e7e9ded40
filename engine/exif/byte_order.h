// Numbers inside an Exif block, in the block's own byte order, and the twelve TIFF value formats.
// None of these checks bounds: callers make sure the bytes lie inside the block first.
#pragma once

#include <cstdint>

#include "lumivex/photo_info.h"

namespace lumivex {

enum ExifFormat : int {
    FormatByte = 1,
    FormatAscii = 2,
    FormatShort = 3,
    FormatLong = 4,
    FormatRational = 5,
    FormatSByte = 6,
    FormatUndefined = 7,
    FormatSShort = 8,
    FormatSLong = 9,
    FormatSRational = 10,
    FormatFloat = 11,
    FormatDouble = 12,
};
constexpr int kLastExifFormat = 12;

// Bytes per component of each format code 0 to 12; code 0 has none.
extern const int32_t bytesPerFormat[kLastExifFormat + 1];

// Numbers in the given order: the walks carry the order in force with them.
int exifRead16(const uint8_t* p, ExifByteOrder order);
int32_t exifRead32(const uint8_t* p, ExifByteOrder order);
uint32_t exifReadU32(const uint8_t* p, ExifByteOrder order);
// Writes in an explicit order: an edit may touch a block that is no longer the current one.
void exifWrite32(uint8_t* p, uint32_t value, ExifByteOrder order);
void exifWrite16(uint8_t* p, uint16_t value, ExifByteOrder order);

// The first component of the value at p as a double; ASCII, UNDEFINED and unknown codes give 0 and a report.
double exifValueAsDouble(const uint8_t* p, int format, ExifByteOrder order);

// Conversions of a double the way the walker stores values: truncated to int32 (out of range gives INT32_MIN),
// truncated and kept modulo 2^32, and rounded to float without undefined behaviour on overflow.
int32_t doubleToInt32(double x);
uint32_t doubleToUint32Modulo(double x);
float doubleToFloat(double x);

}  // namespace lumivex
