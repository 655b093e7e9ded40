// The engine's own way in to a photo's value, for an edit that already holds the photo open and knows its status.
#pragma once

#include <string>

#include "engine/platform/file_services.h"
#include "lumivex/photo.h"

namespace lumivex {

// readPhotoFromDescriptor without asking the file's status again: `status` is the open file's, taken after its
// lock.
bool readPhotoFromOpenFile(const platform::OpenFile& file, const platform::FileStatus& status, const std::string& name,
                           Photo& photo, std::string& why);

}  // namespace lumivex
