// The facts the engine reads from a photo's Exif and JPEG headers, as one plain record.
#pragma once

#include <cstdint>

namespace lumivex {

// The byte order of an Exif block: "II" (Intel, little-endian) or "MM" (Motorola, big-endian).
enum class ExifByteOrder { Intel = 0, Motorola = 1 };

constexpr int kMaxDateOffsets = 10;

struct PhotoInfo {
    char filePath[260];            // path of the current file
    int32_t fileModified;          // modification time, seconds since 1970-01-01 00:00 UTC
    uint8_t jfifUnits;             // JFIF density units: 0 none, 1 per inch, 2 per cm
    uint16_t jfifXDensity;         // JFIF horizontal density
    uint16_t jfifYDensity;         // JFIF vertical density
    uint32_t fileSize;             // file size in bytes
    char cameraMake[32];           // Exif Make, at most 31 characters
    char cameraModel[40];          // Exif Model, at most 39 characters
    char dateTime[20];             // "YYYY:MM:DD HH:MM:SS"
    int32_t height;                // from the frame header
    int32_t width;                 // from the frame header
    int32_t orientation;           // 0 to 8; 0 when absent or invalid
    int32_t isColor;               // 1 when the frame has 3 components
    int32_t jpegProcess;           // SOF marker code of the frame
    int32_t flash;                 // Exif Flash; -1 when absent
    float focalLength;             // millimetres
    float exposureTime;            // seconds
    float fNumber;                 // f-number
    float subjectDistance;         // metres; -1 for infinity
    float ccdWidth;                // sensor width in millimetres
    float exposureBias;            // exposure bias
    float digitalZoomRatio;        // digital zoom ratio
    int32_t focalLength35mm;       // focal length equivalent on 35 mm film
    int32_t whiteBalance;          // Exif WhiteBalance; -1 when absent
    int32_t meteringMode;          // Exif MeteringMode; -1 when absent
    int32_t exposureProgram;       // Exif ExposureProgram
    int32_t exposureMode;          // Exif ExposureMode
    int32_t isoEquivalent;         // ISO speed
    int32_t lightSource;           // Exif LightSource
    int32_t subjectDistanceRange;  // Exif SubjectDistanceRange
    float xResolution;             // XResolution of the first directory
    float yResolution;             // YResolution of the first directory
    int32_t resolutionUnit;        // ResolutionUnit of the first directory (2 inch, 3 cm)
    char comment[2000];            // COM text, or the Exif comment while that is empty; not terminated when full
    int32_t commentWideChars;      // length in UTF-16 units when comment holds a "Windows-XP comment", else 0
    uint32_t thumbOffset;          // thumbnail's first byte from the TIFF header; 0 = no thumbnail
    uint32_t thumbLength;          // thumbnail length in bytes
    uint32_t exifExtent;           // largest value or next-directory offset met in the TIFF block
    uint8_t thumbAtEnd;            // the thumbnail is the last thing in its Exif block
    uint32_t thumbLengthPos;       // offset from the TIFF header of the last ThumbnailLength value met
    uint32_t dateOffsets[kMaxDateOffsets];  // offsets of the date/time values met, in order
    int32_t dateOffsetCount;                // dateOffsets in use
    int32_t gpsPresent;                     // 1 once a GPS directory was read
    char gpsLatitude[32];                   // reference, blank, up to 29 characters of coordinate, NUL
    char gpsLongitude[32];                  // the same for the longitude
    char gpsAltitude[20];                   // sign character, then the altitude text
};

}  // namespace lumivex
