// The one record of facts about the file being processed, and the parser's working state for one segment.
#pragma once

#include <cstdint>

#include "lumivex/photo_info.h"

namespace lumivex {

// The facts of the photo being processed; one per worker thread, each processing one photo at a time.
extern thread_local PhotoInfo photoInfo;

// All zero, the layout facts of the Exif blocks included.
void clearPhotoInfo();
// All zero, then the three "not given" fields at -1: the state before every file.
void clearPhotoInfoForNewFile();

struct ExifParseContext {
    double focalPlaneXResolution;  // pixels per focal-plane unit; 0 when absent
    double focalPlaneUnitMm;       // millimetres per focal-plane unit; 0 when absent
    int32_t exifImageMax;          // largest ExifImageWidth/ExifImageLength met
    int32_t orientationCount;      // Orientation entries met in this segment
};

// One per worker thread, like the photo being processed.
extern thread_local ExifParseContext exifParseContext;

}  // namespace lumivex
