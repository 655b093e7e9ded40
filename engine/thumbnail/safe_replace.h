// Puts the edited photo in place of the old one so that the photo's name holds the old or the complete new
// file at every instant, whatever fails or whoever else works in the folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/platform/file_services.h"

namespace lumivex {

enum class BackupPolicy {
    None,          // no backup; the new file reaches the disk before it takes the photo's name
    KeepFirst,     // PHOTO.orig is made once: an existing one already holds the original and stays
    ReplaceOlder,  // PHOTO.orig always holds the file as it was before this edit (an older one is removed)
};

// The photo being edited: the file a given name finally reaches, open and locked for the edit.
struct PhotoFile {
    std::string path;             // links resolved: the name that is edited (a link given stays a link)
    platform::OpenFile file;      // open for reading, holding the edit lock
    platform::FileStatus status;  // as it was when the lock was taken
};

// Clones can share the image data only where it moves by whole blocks of this size (the usual block size of
// the file systems that clone).
constexpr uint64_t kCloneBlockBytes = 4096;

// Opens the photo for an edit: refuses anything but a regular file, waits for the edit lock. why says what
// is wrong when it returns false.
bool openPhotoForEdit(const char* givenPath, PhotoFile& photo, std::string& why);

// Writes the new file's content into the empty temporary file; false (why says what) on any fault.
using NewContentWriter =
    std::function<bool(const PhotoFile& photo, platform::OpenFile& temp, uint64_t& newSize, std::string& why)>;

// Writes the photo's new content (writeContent's, or without one the list held in sectionList), with the
// photo's owner, group, permission bits, extended attributes and times, keeping a backup as the policy says.
// On false nothing has changed under the photo's name and why says what failed. newSize receives the new
// file's size.
bool replacePhotoFile(PhotoFile& photo, BackupPolicy policy, std::string& why, uint64_t& newSize,
                      const NewContentWriter& writeContent = {});

}  // namespace lumivex
