// The copies of the picture that a JPEG file carries besides its image: the Exif thumbnail and the others.
#pragma once

#include <cstdint>
#include <string>

namespace lumivex {

enum class PreviewKind {
    Exif,       // APP1 Exif, the thumbnail directory (IFD1)
    Mpf,        // an image named by the APP2 "MPF" index, after the main image's end
    MakerNote,  // a preview inside the camera maker's note
    Photoshop,  // APP13 image resource 0x040C (or 0x0409)
    Xmp,        // xmp:Thumbnails, base64 in the XMP packet
    Jfxx,       // APP0 "JFXX" extension thumbnail
    FlashPix,   // APP2 "FPXR" streams: reported, never edited
    Trailer,    // a JPEG image after the main image's end that no MPF index names
};

// "exif", "mpf", "makernote", "photoshop", "xmp", "jfxx", "flashpix", "trailer": the names the tool prints and takes.
const char* previewKindName(PreviewKind kind);

enum class PreviewRole {
    Picture,   // a picture of the scene: compared with the photo
    GainMap,   // not a picture of the scene; never stale for differing
    DepthMap,  // the same
    Other,     // disparity, multi-frame parts...: reported for what they are
};

struct PreviewCopy {
    PreviewKind kind = PreviewKind::Exif;
    int index = 0;        // among the copies of its kind, from 0
    uint64_t offset = 0;  // of the copy's first byte in the file (for XMP: of its base64 text)
    uint64_t length = 0;  // its bytes in the file
    int width = 0;        // pixels, 0 where the copy does not say before it is decoded
    int height = 0;
    std::string format;  // "jpeg", "rgb", "bgr", "palette", "strips"...
    PreviewRole role = PreviewRole::Picture;
    std::string note;  // what it is where that is not plain (e.g. "MPF large thumbnail")
};

}  // namespace lumivex
