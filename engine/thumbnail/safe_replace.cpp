#include "engine/thumbnail/safe_replace.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "engine/jpeg/sections.h"
#include "engine/jpeg/writer.h"
#include "engine/platform/test_pause.h"

namespace lumivex {

namespace {

struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

bool sameIdentity(const platform::FileStatus& a, const platform::FileStatus& b) {
    return a.device == b.device && a.inode == b.inode;
}

// Where no hard link can be made: a copy of the photo's bytes under the backup name, made exclusively.
bool copyAsBackup(const PhotoFile& photo, const std::string& backupPath) {
    platform::OpenFile backup = platform::createExclusive(backupPath.c_str());
    if (!backup.isOpen()) return false;
    Stream in(platform::streamOf(photo.file, "rb"));
    Stream out(platform::streamOf(backup, "wb"));
    bool ok = in && out && platform::copyRange(in.get(), 0, out.get(), static_cast<uint64_t>(photo.status.size));
    ok = out && std::fflush(out.get()) == 0 && ok;
    ok = ok && platform::copyModeAndTimes(backup, photo.status);
    if (!ok) platform::removeFile(backupPath.c_str());
    return ok;
}

// Makes the backup without taking the photo's name away; made is true when this call created it.
bool makeBackup(const PhotoFile& photo, BackupPolicy policy, const std::string& backupPath, bool& made,
                std::string& why) {
    made = false;
    if (policy == BackupPolicy::None) return true;
    platform::FileStatus existing;
    if (platform::statLink(backupPath.c_str(), existing)) {
        // The first backup is the original: a later edit must not replace it with an edited version.
        if (policy == BackupPolicy::KeepFirst) return true;
        if (!existing.isRegular && !existing.isLink) {
            why = "'" + backupPath + "' is not a file; it was left alone and the photo was not changed";
            return false;
        }
        if (!platform::removeFile(backupPath.c_str())) {
            why = "Could not remove the older backup '" + backupPath + "'; the photo was not changed";
            return false;
        }
    }
    if (platform::makeHardLink(photo.path.c_str(), backupPath.c_str()) || copyAsBackup(photo, backupPath)) {
        made = true;
        return true;
    }
    why = "Could not keep a backup as '" + backupPath + "'; '" + photo.path + "' was left unchanged";
    return false;
}

// The complete new file under a temporary name, with everything of the old one but its bytes.
bool writeTemporary(PhotoFile& photo, platform::OpenFile& temp, bool sync, std::string& why, uint64_t& newSize) {
    if (!platform::copyOwner(temp, photo.status, why)) return false;
    Stream out(platform::streamOf(temp, "wb"));
    Stream in(platform::streamOf(photo.file, "rb"));
    if (!out || !in) {
        why = "Could not write the new file";
        return false;
    }
    // Where the image data stays where it was or moves by whole blocks, a clone of the photo shares its blocks
    // and only the header is written over the clone's beginning. Elsewhere (or where the file system refuses to
    // clone) the whole file is written.
    const uint64_t header = jpegHeaderSize();
    const uint64_t dataAt = static_cast<uint64_t>(sectionList.imageDataOffset);
    const uint64_t shift = header - dataAt;
    const bool cloned = sectionList.imageDataOffset >= 0 && header >= dataAt && shift % kCloneBlockBytes == 0 &&
                        platform::cloneFile(photo.file, temp, shift);
    bool ok = cloned
                  ? writeJpegHeader(out.get()) && std::fflush(out.get()) == 0 && std::fseek(out.get(), 0, SEEK_END) == 0
                  : writeJpeg(out.get(), in.get());
    const long size = ok ? std::ftell(out.get()) : -1;
    if (cloned && static_cast<uint64_t>(size) != static_cast<uint64_t>(photo.status.size) + shift) ok = false;
    ok = std::fclose(out.release()) == 0 && ok;
    if (!ok || size < 0) {
        why = "Could not write the new file whole (disk full, or the photo changed while it was edited)";
        return false;
    }
    newSize = static_cast<uint64_t>(size);
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

}  // namespace

bool openPhotoForEdit(const char* givenPath, PhotoFile& photo, std::string& why) {
    platform::FileStatus named;
    if (!platform::statLink(givenPath, named)) {
        why = std::string("Cannot find '") + givenPath + "'";
        return false;
    }
    // A link given as the photo stays a link: its target is what gets edited.
    photo.path = givenPath;
    if (named.isLink && !platform::resolvePath(givenPath, photo.path)) {
        why = std::string("'") + givenPath + "' is a link to nothing";
        return false;
    }
    // Someone may replace the file between the open and the lock: then the name no longer reaches the
    // locked file, and we start again with what it reaches now.
    for (int attempt = 0; attempt < 8; ++attempt) {
        photo.file = platform::openForReading(photo.path.c_str());
        if (!photo.file.isOpen() || !platform::statOpenFile(photo.file, photo.status)) {
            why = "Cannot open '" + photo.path + "'";
            return false;
        }
        if (!photo.status.isRegular) {
            why = "'" + photo.path + "' is not a regular file";
            return false;
        }
        if (!platform::lockForEdit(photo.file)) {
            why = "Cannot lock '" + photo.path + "' for the edit";
            return false;
        }
        platform::FileStatus now;
        if (platform::statLink(photo.path.c_str(), now) && sameIdentity(now, photo.status) &&
            platform::statOpenFile(photo.file, photo.status)) {
            return true;
        }
    }
    why = "'" + photo.path + "' keeps being replaced; it was left alone";
    return false;
}

bool replacePhotoFile(PhotoFile& photo, BackupPolicy policy, std::string& why, uint64_t& newSize) {
    const std::string backupPath = photo.path + ".orig";
    // A name the system cannot handle would fail half-way; say so rather than blame the thumbnail.
    if (backupPath.size() > platform::maxPathBytes() || photo.path.size() + 24 > platform::maxPathBytes()) {
        why = "The path '" + photo.path + "' is too long for its backup or temporary name; the photo was not changed";
        return false;
    }
    platform::pauseForTest("create-temporary");
    std::string tempPath;
    platform::OpenFile temp = platform::createTempBeside(photo.path, tempPath);
    if (!temp.isOpen()) {
        why = "Could not create a temporary file beside '" + photo.path + "'; the photo was not changed";
        return false;
    }
    if (!writeTemporary(photo, temp, policy == BackupPolicy::None, why, newSize)) {
        platform::removeFile(tempPath.c_str());
        return false;
    }
    platform::pauseForTest("backup");
    bool backupMade = false;
    if (!makeBackup(photo, policy, backupPath, backupMade, why)) {
        platform::removeFile(tempPath.c_str());
        return false;
    }
    platform::pauseForTest("rename");
    temp = platform::OpenFile();
    platform::releaseBeforeRename(photo.file);
    if (!platform::renameOver(tempPath.c_str(), photo.path.c_str())) {
        platform::removeFile(tempPath.c_str());
        if (backupMade) platform::removeFile(backupPath.c_str());
        why = "Could not put the new file in place of '" + photo.path + "'; the photo was not changed";
        return false;
    }
    return true;
}

}  // namespace lumivex
