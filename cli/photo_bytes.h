// A photo's whole file, opened once and read once: metadata, previews and the decode all work on these bytes,
// so that every look at the photo sees the same file, whatever is done to its name meanwhile.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lumivex/file_services.h"
#include "lumivex/photo_report.h"

namespace lumivex::cli {

struct PhotoBytes {
    std::vector<uint8_t> bytes;   // the whole file
    platform::FileStatus status;  // of the open file
    std::string error;            // empty when the file was read; else a report line saying why not
    bool ok() const { return error.empty(); }
};

// Opens the photo (a regular file only, never blocking on a FIFO, a final link followed only when allowed)
// and reads it whole through that one descriptor.
PhotoBytes readPhotoBytes(const std::string& path, bool followLinks);

// Reads the segments before the image data from those bytes, with the report lines of a read by name (why the
// file could not be read is one of them). The photo's report when read; a malformed segment ends it with
// FatalError, as that read does.
std::optional<PhotoReport> loadPhotoMetadata(const std::string& path, const PhotoBytes& photo);

}  // namespace lumivex::cli
