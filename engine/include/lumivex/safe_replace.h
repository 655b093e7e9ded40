// Puts the edited photo in place of the old one so that the photo's name holds the old or the complete new
// file at every instant, whatever fails or whoever else works in the folder. Every step goes through the
// folder held open when the photo was locked, never again through its path.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "lumivex/file_services.h"

namespace lumivex {

enum class BackupPolicy {
    None,          // no backup; the new file reaches the disk before it takes the photo's name
    KeepFirst,     // PHOTO.orig is made once: an existing one that holds this photo's earlier version stays
    ReplaceOlder,  // PHOTO.orig always holds the file as it was before this edit (an older one is removed)
};

// The photo being edited: the file a given name finally reaches, open and locked for the edit.
struct PhotoFile {
    std::string path;              // the name that is edited (a link given, where links are allowed: its target)
    platform::Folder folder;       // the folder that holds it, held open
    std::string name;              // its name in that folder
    platform::OpenFile file;       // open for reading, holding the edit lock
    platform::FileStatus status;   // as it was when the lock was taken
    int64_t imageDataOffset = -1;  // where its image data begin, once read; -1 while unknown
    std::string backupName;        // after a replacement: the backup made or kept in the folder ("" for none)
};

// Writes the photo's new content into the empty temporary file; newSize receives its size.
using NewContentWriter =
    std::function<bool(const PhotoFile& photo, platform::OpenFile& temp, uint64_t& newSize, std::string& why)>;

// Clones can share the image data only where it moves by whole blocks of this size (the usual block size of
// the file systems that clone).
constexpr uint64_t kCloneBlockBytes = 4096;

// Opens the photo for an edit: refuses anything but a regular file, waits for the edit lock. A link (as the
// photo or on the way to its folder) is followed only when followLinks is set. why says what is wrong when it
// returns false.
bool openPhotoForEdit(const char* givenPath, bool followLinks, PhotoFile& photo, std::string& why);

// Writes the photo's new content with its owner, group, permission bits, extended attributes and times, and
// puts it under the photo's name, keeping a backup as the policy says. inPlace rewrites the photo's own file
// (every hard link sees the edit) after a full copy was kept as the backup; otherwise the new file takes the
// photo's name and its other names (hard links) keep the old bytes. On false nothing has changed under the photo's name
// and why says what failed.
bool replacePhotoFile(PhotoFile& photo, BackupPolicy policy, const NewContentWriter& write, std::string& why,
                      uint64_t& newSize, bool inPlace = false);

// False when the photo does not end with the end marker of its image data (or one shortly before its end): it
// was cut short.
bool endsWholeImage(const PhotoFile& photo);

}  // namespace lumivex
