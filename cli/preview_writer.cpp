#include "cli/preview_writer.h"

#include <cstdio>
#include <memory>

#include "engine/platform/file_services.h"

namespace lumivex::cli {

namespace {

using Stream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

bool writeAll(const platform::OpenFile& file, const std::vector<uint8_t>& bytes) {
    Stream out(platform::streamOf(file, "wb"), std::fclose);
    if (!out) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
    return std::fclose(out.release()) == 0 && ok;
}

}  // namespace

bool openAndReadPhoto(const std::string& path, LockedPhoto& photo, std::string& why) {
    if (!openPhotoForEdit(path.c_str(), photo.file, why)) return false;
    if (!platform::canWriteFile(photo.file.path.c_str())) {
        why = "read-only";
        return false;
    }
    Stream in(platform::streamOf(photo.file.file, "rb"), std::fclose);
    const uint64_t size = static_cast<uint64_t>(photo.file.status.size);
    if (!in || size > (uint64_t{1} << 31)) {
        why = "cannot be read whole";
        return false;
    }
    photo.bytes.resize(static_cast<size_t>(size));
    if (std::fread(photo.bytes.data(), 1, photo.bytes.size(), in.get()) != photo.bytes.size() ||
        std::fgetc(in.get()) != EOF) {
        why = "changed while it was read; left alone";
        return false;
    }
    return true;
}

bool replacePhotoBytes(LockedPhoto& photo, const std::vector<uint8_t>& newBytes, bool keepBackup, std::string& why) {
    PhotoFile& file = photo.file;
    const std::string backupPath = file.path + ".orig";
    std::string tempPath;
    platform::OpenFile temp = platform::createTempBeside(file.path, tempPath);
    if (!temp.isOpen()) {
        why = "Could not create a temporary file beside '" + file.path + "'; the photo was not changed";
        return false;
    }
    auto fail = [&](std::string text) {
        platform::removeFile(tempPath.c_str());
        why = std::move(text);
        return false;
    };
    if (!platform::copyOwner(temp, file.status, why)) return fail(why);
    if (!writeAll(temp, newBytes)) return fail("Could not write the new file whole");
    platform::copyExtendedAttributes(file.file, temp);
    if (!platform::copyModeAndTimes(temp, file.status)) {
        return fail("Could not give the new file the photo's permissions and times");
    }
    if (!keepBackup && !platform::syncFile(temp)) return fail("Could not bring the new file to the disk");
    bool backupMade = false;
    platform::FileStatus existing;
    if (keepBackup && !platform::statLink(backupPath.c_str(), existing)) {
        // The first backup is the original: an existing one stays.
        if (!platform::makeHardLink(file.path.c_str(), backupPath.c_str())) {
            platform::OpenFile backup = platform::createExclusive(backupPath.c_str());
            if (!backup.isOpen() || !writeAll(backup, photo.bytes) ||
                !platform::copyModeAndTimes(backup, file.status)) {
                platform::removeFile(backupPath.c_str());
                return fail("Could not keep a backup as '" + backupPath + "'; the photo was not changed");
            }
        }
        backupMade = true;
    }
    temp = platform::OpenFile();
    platform::releaseBeforeRename(file.file);
    if (!platform::renameOver(tempPath.c_str(), file.path.c_str())) {
        if (backupMade) platform::removeFile(backupPath.c_str());
        return fail("Could not put the new file in place of '" + file.path + "'; the photo was not changed");
    }
    return true;
}

}  // namespace lumivex::cli
