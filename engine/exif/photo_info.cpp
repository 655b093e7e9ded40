#include "engine/exif/photo_info.h"

#include <cstring>

#include "engine/exif/exif_layout.h"

namespace lumivex {

thread_local PhotoInfo photoInfo{};
thread_local ExifParseContext exifParseContext{};

void clearPhotoInfo() {
    std::memset(&photoInfo, 0, sizeof photoInfo);
    clearExifLayout();
}

void clearPhotoInfoForNewFile() {
    clearPhotoInfo();
    photoInfo.flash = -1;
    photoInfo.whiteBalance = -1;
    photoInfo.meteringMode = -1;
}

}  // namespace lumivex
