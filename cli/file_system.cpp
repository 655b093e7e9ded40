#include "cli/file_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "lumivex/file_services.h"
#include "lumivex/path_names.h"

namespace lumivex::cli {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    const bool separated = platform::isPathSeparator(last) || platform::isDriveSeparator(last);
    return separated ? folder + name : folder + "/" + name;
}

FileKind fileKind(const std::string& path, bool followLink) {
    platform::FileStatus status;
    if (!(followLink ? platform::statFile(path.c_str(), status) : platform::statLink(path.c_str(), status))) {
        return FileKind::Missing;
    }
    if (status.isLink) return FileKind::Link;
    if (status.isDirectory) return FileKind::Directory;
    return status.isRegular ? FileKind::Regular : FileKind::Other;
}

std::optional<platform::FileStatus> followedStatus(const std::string& path) {
    platform::FileStatus status;
    if (!platform::statFile(path.c_str(), status)) return std::nullopt;
    return status;
}

}  // namespace lumivex::cli
