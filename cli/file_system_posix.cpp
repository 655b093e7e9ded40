#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/file_system.h"

namespace lumivex::cli {

std::optional<std::vector<std::string>> folderEntries(const std::string& path, std::string& error) {
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

std::FILE* takeStandardOutput() {
    std::fflush(stdout);
    const int kept = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    std::FILE* stream = kept >= 0 ? ::fdopen(kept, "w") : nullptr;
    if (stream == nullptr || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return stdout;
    return stream;
}

}  // namespace lumivex::cli
