// The parser's working state for one Exif segment, beside the PhotoInfo record it fills.
#pragma once

#include <cstdint>

#include "lumivex/photo_info.h"

namespace lumivex {

struct ExifParseContext {
    double focalPlaneXResolution;  // pixels per focal-plane unit; 0 when absent
    double focalPlaneUnitMm;       // millimetres per focal-plane unit; 0 when absent
    int32_t exifImageMax;          // largest ExifImageWidth/ExifImageLength met
    int32_t orientationCount;      // Orientation entries met in this segment
};

}  // namespace lumivex
