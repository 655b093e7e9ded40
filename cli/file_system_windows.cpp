#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "cli/file_system.h"

namespace lumivex::cli {

// The narrow functions take UTF-8: the tool's manifest makes it the active code page.

std::optional<std::vector<std::string>> folderEntries(const std::string& path, std::string& error) {
    WIN32_FIND_DATAA found{};
    HANDLE search =
        FindFirstFileExA(joinPath(path, "*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        error = "cannot read the folder (error " + std::to_string(GetLastError()) + ")";
        return std::nullopt;
    }
    std::vector<std::string> names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found) != 0);
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

std::FILE* takeStandardOutput() {
    std::fflush(stdout);
    const int kept = _dup(_fileno(stdout));
    std::FILE* stream = kept >= 0 ? _fdopen(kept, "wb") : nullptr;
    if (stream == nullptr || _dup2(_fileno(stderr), _fileno(stdout)) != 0) return stdout;
    return stream;
}

}  // namespace lumivex::cli
