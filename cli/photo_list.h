// The photos of one call, in the order given: files as named, folders walked with -r, one entry per file
// for the edits, each export's PHOTO with its OUT.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/photo_result.h"

namespace lumivex::cli {

struct PhotoTask {
    std::string path;
    std::string output;                // export: OUT
    std::optional<PhotoResult> ready;  // decided before any work: a file named twice, a folder without -r...
};

struct PhotoList {
    std::vector<PhotoTask> tasks;
    size_t notJpeg = 0;       // files met in a walk whose content is not a JPEG
    size_t linksSkipped = 0;  // symbolic links met in a walk without --follow
};

PhotoList collectPhotos(const CommandLine& line);

// The tool's own files: backups (NAME.orig) and temporary files (.NAME.lumivex-*, NAME.new~).
bool isToolFileName(const std::string& name);

}  // namespace lumivex::cli
