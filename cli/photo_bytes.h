// A photo's file, opened once: metadata, previews and the decode all read through that one open, so that
// every look at the photo sees the same file, whatever is done to its name meanwhile.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "lumivex/file_services.h"
#include "lumivex/photo_report.h"

namespace lumivex::cli {

// How much of the file is held in memory: all of it, or the bytes before its image data (what lies after them
// is read later through the same open, range by range, and the picture decoded from it as it is read).
enum class PhotoReach { Whole, Head };

struct PhotoBytes {
    std::vector<uint8_t> bytes;   // the whole file, or with PhotoReach::Head its bytes before the image data
    bool whole = true;            // bytes is the whole file
    platform::OpenFile file;      // the one open of the photo, kept for the reads after the head
    platform::FileStatus status;  // of the open file
    std::string error;            // empty when the file was read; else a report line saying why not
    bool ok() const { return error.empty(); }
};

// Opens the photo (a regular file only, never blocking on a FIFO, a final link followed only when allowed)
// and reads it, whole or up to its image data, through that one descriptor.
PhotoBytes readPhotoBytes(const std::string& path, bool followLinks, PhotoReach reach = PhotoReach::Whole);

// A photo the caller already holds in memory (a library caller's bytes): the whole file, no open behind it.
PhotoBytes photoBytesInMemory(std::span<const uint8_t> bytes);

// n bytes at offset of the photo: from its bytes where they hold them, else read through its open descriptor.
// False when the file does not hold them all.
bool readPhotoRange(const PhotoBytes& photo, uint64_t offset, uint64_t n, std::vector<uint8_t>& out);

// The picture decoded at no less than minWidth x minHeight (imaging::decodeJpegScaled): from the bytes of a
// whole read, else read through the photo's open descriptor as it is decoded.
imaging::DecodedImage decodePicture(const PhotoBytes& photo, int minWidth, int minHeight);

// Reads the segments before the image data from those bytes, with the report lines of a read by name (why the
// file could not be read is one of them). The photo's report when read; a malformed segment ends it with
// FatalError, as that read does.
std::optional<PhotoReport> loadPhotoMetadata(const std::string& path, const PhotoBytes& photo);

}  // namespace lumivex::cli
