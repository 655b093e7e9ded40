// The copies of the picture as info shows them: a JSON array, or lines for a person.
#pragma once

#include <string>

#include "cli/embedded_previews.h"

namespace lumivex::cli {

// [{"kind", "index", "offset", "length", "width", "height", "format", "role", "note"}, ...]
std::string previewsJson(const previews::PreviewScan& scan);

// One "Preview : ..." line per copy; empty when there is none.
std::string previewsText(const previews::PreviewScan& scan);

const char* roleName(PreviewRole role);  // "picture", "gain map", "depth map", "other"

}  // namespace lumivex::cli
