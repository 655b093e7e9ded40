#include "engine/exif/byte_order.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/diag/diag.h"

namespace lumivex {

const int32_t bytesPerFormat[kLastExifFormat + 1] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

int exifRead16(const uint8_t* p, ExifByteOrder order) {
    if (order == ExifByteOrder::Motorola) return (p[0] << 8) | p[1];
    return (p[1] << 8) | p[0];
}

uint32_t exifReadU32(const uint8_t* p, ExifByteOrder order) {
    if (order == ExifByteOrder::Motorola) {
        return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
    }
    return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[0]};
}

int32_t exifRead32(const uint8_t* p, ExifByteOrder order) { return static_cast<int32_t>(exifReadU32(p, order)); }

void exifWrite32(uint8_t* p, uint32_t value, ExifByteOrder order) {
    if (order == ExifByteOrder::Motorola) {
        p[0] = static_cast<uint8_t>(value >> 24);
        p[1] = static_cast<uint8_t>(value >> 16);
        p[2] = static_cast<uint8_t>(value >> 8);
        p[3] = static_cast<uint8_t>(value);
    } else {
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
        p[3] = static_cast<uint8_t>(value >> 24);
    }
}

void exifWrite16(uint8_t* p, uint16_t value, ExifByteOrder order) {
    if (order == ExifByteOrder::Motorola) {
        p[0] = static_cast<uint8_t>(value >> 8);
        p[1] = static_cast<uint8_t>(value);
    } else {
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
    }
}

namespace {

// FLOAT and DOUBLE are stored least significant byte first whatever the block's order.
template <typename T>
T readLittleEndianIeee(const uint8_t* p) {
    using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
    Bits bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) bits |= Bits{p[i]} << (8 * i);
    T value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

double exifValueAsDouble(const uint8_t* p, int format, ExifByteOrder order) {
    switch (format) {
        case FormatByte:
            return p[0];
        case FormatSByte:
            return static_cast<int8_t>(p[0]);
        case FormatShort:
            return exifRead16(p, order);
        case FormatSShort:
            return static_cast<int16_t>(exifRead16(p, order));
        case FormatLong:
            return exifReadU32(p, order);
        case FormatSLong:
            return exifRead32(p, order);
        case FormatRational:
        case FormatSRational: {
            const int32_t numerator = exifRead32(p, order);
            const int32_t denominator = exifRead32(p + 4, order);
            if (denominator == 0) return 0.0;
            return static_cast<double>(numerator) / denominator;
        }
        case FormatFloat:
            return readLittleEndianIeee<float>(p);
        case FormatDouble:
            return readLittleEndianIeee<double>(p);
        default:
            warnNonfatal("Illegal format code %d in Exif header", format, 0);
            return 0.0;
    }
}

int32_t doubleToInt32(double x) {
    const double truncated = std::trunc(x);
    if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(truncated);
}

uint32_t doubleToUint32Modulo(double x) {
    const double truncated = std::trunc(x);
    if (!(std::fabs(truncated) < 9.2e18)) return 0;  // no low bits to keep from a value beyond 64 bits
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(truncated)));
}

float doubleToFloat(double x) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (x > kMax) return std::numeric_limits<float>::infinity();
    if (x < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(x);
}

}  // namespace lumivex
