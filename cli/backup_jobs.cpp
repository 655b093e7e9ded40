#include "cli/backup_jobs.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "cli/result_output.h"

namespace lumivex::cli {

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kMaxPhotoBytes = uint64_t{1} << 31;  // the engine's own limit on a photo is below this

std::optional<std::string> readWhole(const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(path, error))) return std::nullopt;
    const uint64_t size = fs::file_size(path, error);
    if (error || size > kMaxPhotoBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

// What stands at the backup's name: nothing, a regular file, or something that is never taken for one.
enum class BackupKind { None, Regular, Other };

BackupKind backupKind(const std::string& backup) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(backup, error);
    if (status.type() == fs::file_type::not_found) return BackupKind::None;
    return fs::is_regular_file(status) ? BackupKind::Regular : BackupKind::Other;
}

PhotoResult restoreOne(const std::string& photo, bool dryRun) {
    const std::string backup = photo + ".orig";
    PhotoResult result =
        toolResult(photo, "restore", "done",
                   dryRun ? "would be put back from '" + backup + "'" : "put back from '" + backup + "'");
    result.dryRun = dryRun;
    switch (backupKind(backup)) {
        case BackupKind::None:
            return toolResult(photo, "restore", "nothing to do", "no backup '" + backup + "'");
        case BackupKind::Other:
            return toolResult(photo, "restore", "refused", "'" + backup + "' is not a regular file");
        case BackupKind::Regular:
            break;
    }
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(photo, error))) {
        return toolResult(photo, "restore", "refused", "the photo's name is a folder");
    }
    const std::optional<std::string> bytes = readWhole(backup);
    if (!bytes || !imageDataOffset(*bytes)) {
        return toolResult(photo, "restore", "refused", "'" + backup + "' is not a readable JPEG photo");
    }
    const uintmax_t photoSize = fs::file_size(photo, error);
    result.sizeBefore = error ? 0 : photoSize;
    result.sizeAfter = bytes->size();
    if (dryRun) return result;
    fs::rename(backup, photo, error);  // one step: the photo's name holds one whole file at every instant
    if (error) return toolResult(photo, "restore", "failed", "cannot rename '" + backup + "': " + error.message());
    return result;
}

PhotoResult dropBackupOne(const std::string& photo, bool dryRun) {
    const std::string backup = photo + ".orig";
    switch (backupKind(backup)) {
        case BackupKind::None:
            return toolResult(photo, "drop-backup", "nothing to do", "no backup '" + backup + "'");
        case BackupKind::Other:
            return toolResult(photo, "drop-backup", "refused", "'" + backup + "' is not a regular file; left alone");
        case BackupKind::Regular:
            break;
    }
    const std::optional<std::string> now = readWhole(photo);
    const std::optional<std::string> before = readWhole(backup);
    const std::optional<uint64_t> nowData = now ? imageDataOffset(*now) : std::nullopt;
    const std::optional<uint64_t> beforeData = before ? imageDataOffset(*before) : std::nullopt;
    if (!nowData) return toolResult(photo, "drop-backup", "refused", "the photo is not a readable JPEG; backup kept");
    if (!beforeData || std::string_view(*now).substr(*nowData) != std::string_view(*before).substr(*beforeData)) {
        return toolResult(photo, "drop-backup", "refused", "the photo's image data differ from the backup's; kept");
    }
    PhotoResult result =
        toolResult(photo, "drop-backup", "done", (dryRun ? "would remove '" : "removed '") + backup + "'");
    result.dryRun = dryRun;
    result.sizeBefore = result.sizeAfter = now->size();
    if (dryRun) return result;
    std::error_code error;
    if (!fs::remove(backup, error)) {
        return toolResult(photo, "drop-backup", "failed", "cannot remove '" + backup + "': " + error.message());
    }
    return result;
}

}  // namespace

std::optional<uint64_t> imageDataOffset(std::string_view jpeg) {
    const uint64_t size = jpeg.size();
    auto byte = [&](uint64_t at) { return static_cast<uint8_t>(jpeg[at]); };
    if (size < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return std::nullopt;
    uint64_t off = 2;
    while (off <= size && size - off >= 4) {
        if (byte(off) != 0xFF) return std::nullopt;
        const uint8_t marker = byte(off + 1);
        if (marker == 0xFF) {  // fill byte before a marker
            ++off;
            continue;
        }
        const uint64_t length = uint64_t{byte(off + 2)} << 8 | byte(off + 3);
        if (length < 2 || length > size - off - 2) return std::nullopt;
        off += 2 + length;
        if (marker == 0xDA) return off;
    }
    return std::nullopt;
}

PhotoJob restoreJob(const CommandLine& line) {
    const bool dryRun = line.dryRun;
    return [dryRun](const std::string& photo, const std::string&) { return restoreOne(photo, dryRun); };
}

PhotoJob dropBackupJob(const CommandLine& line) {
    const bool dryRun = line.dryRun;
    return [dryRun](const std::string& photo, const std::string&) { return dropBackupOne(photo, dryRun); };
}

}  // namespace lumivex::cli
