// Puts the file a plan makes in the photo's place, as the edits do: locked, under a temporary name first, the
// old file kept as PHOTO.orig (once), owner, permissions and times kept. The one place where a preview plan
// reaches the disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lumivex/safe_replace.h"
#include "lumivex/splice.h"

namespace lumivex::cli {

struct LockedPhoto {
    PhotoFile file;
    std::vector<uint8_t> bytes;  // as read under the lock
};

// Opens the photo for an edit and reads it whole; false with why set when it cannot. A link is followed only
// with followLinks; a photo with other names (hard links) is refused unless inPlace.
bool openAndReadPhoto(const std::string& path, LockedPhoto& photo, std::string& why, bool followLinks = false,
                      bool inPlace = false);

// Writes the plan (made over photo.bytes) in the photo's place, once: one backup, one rename (or with inPlace
// the photo's own file rewritten); false (the photo unchanged) with why set when it cannot.
bool replacePhotoByPlan(LockedPhoto& photo, const SplicePlan& plan, bool keepBackup, std::string& why,
                        bool inPlace = false);

}  // namespace lumivex::cli
