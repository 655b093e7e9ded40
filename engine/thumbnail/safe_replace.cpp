#include "lumivex/safe_replace.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/platform/file_names.h"
#include "engine/platform/file_services.h"
#include "engine/platform/test_pause.h"

namespace lumivex {

namespace {

// The longest name a folder entry may have on the common file systems.
constexpr size_t kMaxNameBytes = 255;
constexpr int kMaxBackupNumber = 99;

bool sameIdentity(const platform::FileStatus& a, const platform::FileStatus& b) { return a.identity == b.identity; }

// A name of the photo's folder as the user would write it, in quotes.
std::string besidePhoto(const PhotoFile& photo, const std::string& name) {
    std::string text = "'";
    text.append(photo.path, 0, photo.path.size() - photo.name.size());
    text += name;
    text += '\'';
    return text;
}

bool readAt(const platform::OpenFile& file, uint64_t offset, std::vector<uint8_t>& bytes) {
    return platform::readAt(file, offset, bytes.data(), bytes.size());
}

// An edit changes only what comes before the image data: a backup of this photo ends with the same bytes.
bool holdsEarlierVersion(const PhotoFile& photo, const std::string& backupName) {
    platform::OpenFile backup = platform::openInFolder(photo.folder, backupName);
    platform::FileStatus status;
    if (!backup.isOpen() || !platform::statOpenFile(backup, status) || !status.isRegular) return false;
    const uint64_t size = static_cast<uint64_t>(photo.status.size);
    const uint64_t tail = photo.imageDataOffset >= 0 && static_cast<uint64_t>(photo.imageDataOffset) < size
                              ? size - static_cast<uint64_t>(photo.imageDataOffset)
                              : (size < 65536 ? size : 65536);
    if (static_cast<uint64_t>(status.size) < tail) return false;
    constexpr uint64_t kChunk = 1u << 20;
    for (uint64_t done = 0; done < tail;) {
        const uint64_t n = tail - done < kChunk ? tail - done : kChunk;
        std::vector<uint8_t> mine(static_cast<size_t>(n));
        std::vector<uint8_t> theirs(static_cast<size_t>(n));
        if (!readAt(photo.file, size - tail + done, mine) ||
            !readAt(backup, static_cast<uint64_t>(status.size) - tail + done, theirs) || mine != theirs) {
            return false;
        }
        done += n;
    }
    return true;
}

// Where no hard link can be made (or the photo's own file is rewritten): a copy of its bytes, made exclusively.
bool copyAsBackup(const PhotoFile& photo, const std::string& backupName) {
    platform::OpenFile backup = platform::createExclusiveIn(photo.folder, backupName);
    if (!backup.isOpen()) return false;
    bool ok = platform::copyBetween(photo.file, 0, backup, 0, static_cast<uint64_t>(photo.status.size));
    ok = ok && platform::copyModeAndTimes(backup, photo.status) && platform::syncFile(backup);
    if (!ok) platform::removeInFolder(photo.folder, backupName);
    return ok;
}

// The backup's name: PHOTO.orig, or where that name holds something else, the first free PHOTO.orig.N.
bool chooseBackupName(const PhotoFile& photo, BackupPolicy policy, std::string& backupName, bool& keep,
                      std::string& why) {
    const std::string first = photo.name + ".orig";
    backupName = first;
    keep = false;
    platform::FileStatus existing;
    if (!platform::statInFolder(photo.folder, first, existing)) return true;
    if (policy == BackupPolicy::ReplaceOlder) {
        if (!existing.isRegular && !existing.isLink) {
            why = besidePhoto(photo, first) + " is not a file; it was left alone and the photo was not changed";
            return false;
        }
        if (!platform::removeInFolder(photo.folder, first)) {
            why = "Could not remove the older backup " + besidePhoto(photo, first) + "; the photo was not changed";
            return false;
        }
        return true;
    }
    // The first backup is the original: a later edit must not replace it with an edited version.
    // A second name of the photo itself is no backup: it would change with the photo.
    if (existing.isRegular && !sameIdentity(existing, photo.status) && holdsEarlierVersion(photo, first)) {
        keep = true;
        return true;
    }
    for (int n = 1; n <= kMaxBackupNumber; ++n) {
        backupName = first + "." + std::to_string(n);
        if (backupName.size() <= kMaxNameBytes && !platform::statInFolder(photo.folder, backupName, existing)) {
            return true;
        }
    }
    why = besidePhoto(photo, first) +
          " is not this photo's earlier version and no free backup name is left; the photo was not changed";
    return false;
}

// Makes the backup without taking the photo's name away; made is true when this call created it, linked when it
// is a second name of the photo's file.
bool makeBackup(PhotoFile& photo, BackupPolicy policy, bool inPlace, bool& made, bool& linked, std::string& why) {
    made = linked = false;
    photo.backupName.clear();
    if (policy == BackupPolicy::None) return true;
    // Nearly always PHOTO.orig is free: the link itself tells, without asking first.
    if (policy == BackupPolicy::KeepFirst && !inPlace &&
        platform::linkInFolder(photo.folder, photo.name, photo.name + ".orig")) {
        made = linked = true;
        photo.backupName = photo.name + ".orig";
        return true;
    }
    std::string backupName;
    bool keep = false;
    if (!chooseBackupName(photo, policy, backupName, keep, why)) return false;
    if (keep) {
        photo.backupName = backupName;
        return true;
    }
    // A second name would share the file that an in-place edit rewrites: that backup must be a copy.
    linked = !inPlace && platform::linkInFolder(photo.folder, photo.name, backupName);
    if (linked || copyAsBackup(photo, backupName)) {
        made = true;
        photo.backupName = backupName;
        return true;
    }
    why = "Could not keep a backup as " + besidePhoto(photo, backupName) + "; '" + photo.path + "' was left unchanged";
    return false;
}

// The complete new file under a temporary name, with everything of the old one but its bytes.
bool writeTemporary(PhotoFile& photo, platform::OpenFile& temp, const NewContentWriter& write, bool sync,
                    std::string& why, uint64_t& newSize) {
    if (!platform::copyOwner(temp, photo.status, why)) return false;
    if (!write(photo, temp, newSize, why)) return false;
    platform::copyExtendedAttributes(photo.file, temp);
    // Mode and times go on by descriptor before the rename: a path could name another file by then.
    if (!platform::copyModeAndTimes(temp, photo.status)) {
        why = "Could not give the new file the photo's permissions and times";
        return false;
    }
    if (sync && !platform::syncFile(temp)) {
        why = "Could not bring the new file to the disk";
        return false;
    }
    return true;
}

bool sameWrites(const platform::FileStatus& now, const platform::FileStatus& before, bool compareChangeTime) {
    return now.size == before.size && now.modifiedSeconds == before.modifiedSeconds &&
           now.modifiedNanos == before.modifiedNanos &&
           (!compareChangeTime ||
            (now.changedSeconds == before.changedSeconds && now.changedNanos == before.changedNanos));
}

std::string stillBeingWritten(const PhotoFile& photo) {
    return "'" + photo.path + "' changed while it was edited (is it still being written?); it was left as it is";
}

// A photo still being written (a copy in progress, a camera's upload) would lose what comes after the edit.
bool unchangedSince(const PhotoFile& photo, const platform::FileStatus& before, bool compareChangeTime,
                    std::string& why) {
    platform::FileStatus now;
    if (platform::statOpenFile(photo.file, now) && sameWrites(now, before, compareChangeTime)) return true;
    why = stillBeingWritten(photo);
    return false;
}

enum class Drift { None, Written, Replaced };

// After the backup, just before the rename: the photo's name still reaches the locked file, nothing has written
// to it since the edit began, and a backup made as a second name is a name of that file (made from a name that
// had been swapped, it is not). backupHoldsPhoto: the backup this edit made holds the photo as it was.
Drift driftBeforeRename(const PhotoFile& photo, bool backupMade, bool linked, bool& backupHoldsPhoto) {
    platform::FileStatus status;
    backupHoldsPhoto = backupMade && (!linked || (platform::statInFolder(photo.folder, photo.backupName, status) &&
                                                  sameIdentity(status, photo.status)));
    if (!platform::statInFolder(photo.folder, photo.name, status) || !sameIdentity(status, photo.status)) {
        return Drift::Replaced;
    }
    // The new link moved the change time; a writer still at work moves the size or the modification time.
    if (!sameWrites(status, photo.status, !linked)) return Drift::Written;
    return linked && !backupHoldsPhoto ? Drift::Replaced : Drift::None;
}

bool readsAsOpenFile(const PhotoFile& photo) {
    platform::FileStatus named;
    return platform::statInFolder(photo.folder, photo.name, named) && sameIdentity(named, photo.status);
}

}  // namespace

bool openPhotoForEdit(const char* givenPath, bool followLinks, PhotoFile& photo, std::string& why) {
    const std::string missing = std::string("Cannot find '") + givenPath + "'";
    platform::FileStatus named;
    photo.path = givenPath;
    photo.name = platform::nameOf(photo.path);
    bool resolved = false;
    // Someone may replace the file between the open and the lock: then the name no longer reaches the locked
    // file, and we start again with what it reaches now.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (!platform::openFolder(platform::folderOf(photo.path), followLinks, photo.folder, why)) {
            if (!platform::statLink(givenPath, named)) why = missing;
            return false;
        }
        // The open never follows a link; only a refused open asks what the name is.
        photo.file = platform::openInFolder(photo.folder, photo.name);
        if (!photo.file.isOpen()) {
            const bool exists = platform::statInFolder(photo.folder, photo.name, named);
            if (exists && named.isLink && followLinks && !resolved) {
                // A link given as the photo stays a link: its target is what gets edited.
                if (!platform::resolvePath(givenPath, photo.path)) {
                    why = std::string("'") + givenPath + "' is a link to nothing";
                    return false;
                }
                photo.name = platform::nameOf(photo.path);
                resolved = true;
                continue;
            }
            why = !exists && attempt == 0 ? missing
                  : exists && named.isLink
                      ? "'" + photo.path + "' is a symbolic link; links are followed only when asked (--follow)"
                      : "Cannot open '" + photo.path + "'";
            return false;
        }
        // The lock first, then what the file is: its status is the one the edit starts from.
        if (!platform::lockForEdit(photo.file)) {
            why = "Cannot lock '" + photo.path + "' for the edit";
            return false;
        }
        if (!platform::statOpenFile(photo.file, photo.status)) {
            why = "Cannot open '" + photo.path + "'";
            return false;
        }
        if (!photo.status.isRegular) {
            why = "'" + photo.path + "' is not a regular file";
            return false;
        }
        if (readsAsOpenFile(photo)) return true;
    }
    why = "'" + photo.path + "' keeps being replaced; it was left alone";
    return false;
}

bool replacePhotoFile(PhotoFile& photo, BackupPolicy policy, const NewContentWriter& write, std::string& why,
                      uint64_t& newSize, bool inPlace) {
    if (inPlace && policy == BackupPolicy::None) {
        why = "An edit in place keeps a full copy first; it cannot go without a backup";
        return false;
    }
    // A name the system cannot handle would fail half-way; say so rather than blame the thumbnail.
    if (policy != BackupPolicy::None && photo.name.size() + 5 > kMaxNameBytes) {
        why = "The name '" + photo.name + "' is too long for its backup '" + photo.name +
              ".orig'; the photo was not changed (--no-backup edits it without one)";
        return false;
    }
    platform::removeStaleTemporaries(photo.folder);
    platform::pauseForTest("create-temporary");
    std::string tempName;
    platform::OpenFile temp = platform::createTempIn(photo.folder, tempName);
    if (!temp.isOpen()) {
        why = "Could not create a temporary file beside '" + photo.path + "'; the photo was not changed";
        return false;
    }
    const bool sync = policy == BackupPolicy::None;
    bool backupMade = false;
    bool linked = false;
    try {
        const bool written =
            inPlace ? write(photo, temp, newSize, why) : writeTemporary(photo, temp, write, sync, why, newSize);
        if (!written || !unchangedSince(photo, photo.status, true, why)) {
            platform::removeInFolder(photo.folder, tempName);
            return false;
        }
        platform::pauseForTest("backup");
        if (!makeBackup(photo, policy, inPlace, backupMade, linked, why)) {
            platform::removeInFolder(photo.folder, tempName);
            return false;
        }
    } catch (...) {
        // Memory ran out half-way (or another exception): nothing of the edit stays beside the photo.
        platform::removeInFolder(photo.folder, tempName);
        if (backupMade) platform::removeInFolder(photo.folder, photo.backupName);
        throw;
    }
    const auto undo = [&]() {
        platform::removeInFolder(photo.folder, tempName);
        if (backupMade) platform::removeInFolder(photo.folder, photo.backupName);
        photo.backupName.clear();
    };
    platform::pauseForTest("rename");
    bool backupHoldsPhoto = false;
    const Drift drift = driftBeforeRename(photo, backupMade, linked, backupHoldsPhoto);
    if (drift == Drift::Replaced) {
        why = "'" + photo.path + "' was replaced by another file while it was edited; that file was left as it is";
        platform::removeInFolder(photo.folder, tempName);
        // The backup may now be the photo's only name: it stays where it holds the photo as it was.
        if (backupHoldsPhoto) {
            why += ", and the photo as it was is " + besidePhoto(photo, photo.backupName);
        } else if (backupMade) {
            platform::removeInFolder(photo.folder, photo.backupName);
        }
        photo.backupName.clear();
        return false;
    }
    if (drift == Drift::Written) {
        why = stillBeingWritten(photo);
        undo();
        return false;
    }
    if (inPlace) {
        // Where the open photo keeps writers out, it must be closed before it is opened for writing.
        platform::releaseBeforeRename(photo.file);
        platform::OpenFile same = platform::openInFolderForWriting(photo.folder, photo.name);
        platform::FileStatus status;
        const bool ours = same.isOpen() && platform::statOpenFile(same, status) && sameIdentity(status, photo.status);
        const bool ok =
            ours && platform::overwriteWith(temp, same, newSize) && platform::copyModeAndTimes(same, photo.status);
        platform::removeInFolder(photo.folder, tempName);
        if (!ok) {
            why = ours ? "The photo could not be rewritten in place; its bytes are in " +
                             besidePhoto(photo, photo.backupName)
                       : "Could not open '" + photo.path + "' to rewrite it; the photo was not changed";
            if (!ours) undo();
            return false;
        }
        return true;
    }
    platform::releaseBeforeRename(temp);
    platform::releaseBeforeRename(photo.file);
    if (!platform::renameInFolder(photo.folder, tempName, photo.name)) {
        undo();
        why = "Could not put the new file in place of '" + photo.path + "'; the photo was not changed";
        return false;
    }
    return true;
}

bool endsWholeImage(const PhotoFile& photo) {
    const uint64_t size = static_cast<uint64_t>(photo.status.size);
    // Some cameras pad after the end marker, some append a trailer: look a little way back from the end, but
    // not into the head, where a thumbnail has an end marker of its own.
    const uint64_t data = photo.imageDataOffset > 0 ? static_cast<uint64_t>(photo.imageDataOffset) : 0;
    if (data >= size) return false;
    const uint64_t most = size - data < 65536 ? size - data : 65536;
    // Nearly every photo ends within its last block: the wider look is for the few that do not.
    for (const uint64_t span : {most < 4096 ? most : 4096, most}) {
        std::vector<uint8_t> tail(static_cast<size_t>(span));
        if (span < 2 || !readAt(photo.file, size - span, tail)) return false;
        for (size_t i = tail.size() - 1; i > 0; --i) {
            if (tail[i - 1] == 0xFF && tail[i] == 0xD9) return true;
        }
        if (span == most) break;
    }
    return false;
}

}  // namespace lumivex
