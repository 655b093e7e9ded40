// The commands over every copy of the picture: export one copy, rebuild the copies from the picture, remove
// them. Each makes one plan for the copies besides the Exif thumbnail; the Exif thumbnail goes the usual way.
#pragma once

#include <string>
#include <vector>

#include "cli/photo_result.h"
#include "cli/regenerate_command.h"

namespace lumivex::cli {

// export --preview KIND[:N]: the copy's bytes as a JPEG file (copies stored as pixels are encoded).
PhotoResult exportPreview(const std::string& photo, const std::string& out, const std::string& spec, bool overwrite,
                          bool dryRun);

// regenerate: every copy whose kind is among words ("all" or empty: every kind; "stale": only stale ones)
// rebuilt at its own size and kind.
RegenerateResult regenerateWithPreviews(const std::string& photo, const RegenerateOptions& options,
                                        const std::vector<std::string>& words);

// delete --previews WORDS.
PhotoResult deletePreviews(const std::string& photo, const std::vector<std::string>& words, bool keepBackup,
                           bool dryRun);

}  // namespace lumivex::cli
