// regenerate and check as jobs of the batch runner: workers, output in order, --json lines, progress,
// summary and Ctrl-C, as for the edits.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/contact_sheet.h"
#include "cli/photo_result.h"

namespace lumivex::cli {

PhotoJob regenerateJob(const CommandLine& line);

// The stale photos that check found, for the contact sheet written once every photo has been looked at.
struct StaleSheet {
    std::mutex lock;
    std::vector<SheetEntry> entries;
};

// export --preview and delete --previews: the copies of the picture besides the Exif thumbnail.
PhotoJob previewJob(const CommandLine& line);

// With a sheet, the stale photos' pictures are kept in it.
PhotoJob checkJob(const CommandLine& line, std::shared_ptr<StaleSheet> sheet);

}  // namespace lumivex::cli
