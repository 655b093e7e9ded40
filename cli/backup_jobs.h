// The backups that edits keep: put PHOTO.orig back, or remove it once the photo is known to be good.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "cli/command_line.h"
#include "cli/photo_result.h"

namespace lumivex::cli {

// restore: PHOTO.orig takes the photo's name in one rename; only a regular file that starts as a JPEG.
PhotoJob restoreJob(const CommandLine& line);

// drop-backup: PHOTO.orig is removed when the photo is a JPEG whose image data are the backup's, byte for
// byte (an edit of the thumbnail never changes them).
PhotoJob dropBackupJob(const CommandLine& line);

// Where a JPEG's entropy-coded data begin: the first byte after the SOS segment; nullopt when the segments
// before it do not hold together.
std::optional<uint64_t> imageDataOffset(std::string_view jpeg);

}  // namespace lumivex::cli
