// Where a photo's output goes under -o: export's thumbnail, or the edited copy of a photo left untouched.
#pragma once

#include <string>

#include "cli/photo_result.h"

namespace lumivex::cli {

// The pattern with %d (the photo's folder, "." for none), %f (its name without the extension), %e (the
// extension without the dot) and %% put in; a pattern ending in '/' is a folder: %f.thumb.jpg inside it
// for export, %f.%e for an edit. An empty string for a pattern that names nothing ("%x", "%" at the end).
std::string outputFor(const std::string& pattern, const std::string& photo, bool thumbnail);

// The edit of a copy: the photo's bytes are copied to `output` (which must not exist; with `force` an
// existing file or link there is removed first, never written through), the job edits the copy without a
// backup, and a copy whose edit is refused or fails is removed again. A dry run looks at the photo itself.
PhotoResult editCopy(const PhotoJob& job, const std::string& operation, const std::string& photo,
                     const std::string& output, bool force, bool dryRun);

}  // namespace lumivex::cli
