#include "cli/preview_writer.h"

#include <cstdio>
#include <memory>

#include "lumivex/file_services.h"
#include "lumivex/plan_writer.h"

namespace lumivex::cli {

namespace {

using Stream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

}  // namespace

bool openAndReadPhoto(const std::string& path, LockedPhoto& photo, std::string& why, bool followLinks, bool inPlace) {
    // Through a link only where the caller allows: a walked photo swapped for one must not be edited.
    if (!openPhotoForEdit(path.c_str(), followLinks, photo.file, why)) return false;
    if (photo.file.status.links > 1 && !inPlace) {
        why = "has " + std::to_string(photo.file.status.links) +
              " names (hard links) that would keep the old copies; --in-place edits it under every name";
        return false;
    }
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

bool replacePhotoByPlan(LockedPhoto& photo, const SplicePlan& plan, bool keepBackup, std::string& why, bool inPlace) {
    uint64_t newSize = 0;
    const NewContentWriter write = [&plan](const PhotoFile& source, platform::OpenFile& temp, uint64_t& size,
                                           std::string& problem) {
        return writePlan(source.file, plan, temp, size, problem);
    };
    return replacePhotoFile(photo.file, keepBackup ? BackupPolicy::KeepFirst : BackupPolicy::None, write, why, newSize,
                            inPlace);
}

}  // namespace lumivex::cli
