#include "cli/file_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace lumivex::cli {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    const bool separated = last == '/'
#ifdef _WIN32
                           || last == '\\' || last == ':'
#endif
        ;
    return separated ? folder + name : folder + "/" + name;
}

std::optional<std::string> firstBytes(const std::string& path, size_t n) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes(n, '\0');
    bytes.resize(std::fread(bytes.data(), 1, n, file));
    std::fclose(file);
    return bytes;
}

#ifdef _WIN32

// The narrow functions take UTF-8: the tool's manifest makes it the active code page.

namespace {

// Opens the file or folder for its attributes only; a final link is followed unless `openLink`.
HANDLE openForInfo(const std::string& path, bool openLink) {
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (openLink) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    return CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, flags, nullptr);
}

}  // namespace

FileKind fileKind(const std::string& path, bool followLink) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        if (!followLink) return FileKind::Link;
        HANDLE handle = openForInfo(path, false);
        if (handle == INVALID_HANDLE_VALUE) return FileKind::Missing;
        BY_HANDLE_FILE_INFORMATION info{};
        const bool ok = GetFileInformationByHandle(handle, &info) != 0;
        CloseHandle(handle);
        if (!ok) return FileKind::Missing;
        return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory : FileKind::Regular;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::Directory;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return FileKind::Other;
    return FileKind::Regular;
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    HANDLE handle = openForInfo(path, false);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!ok) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

uint64_t nameCount(const std::string& path) {
    HANDLE handle = openForInfo(path, false);
    if (handle == INVALID_HANDLE_VALUE) return 1;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return ok && info.nNumberOfLinks > 0 ? info.nNumberOfLinks : 1;
}

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

#else

FileKind fileKind(const std::string& path, bool followLink) {
    struct stat st {};
    if ((followLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return FileKind::Missing;
    if (S_ISLNK(st.st_mode)) return FileKind::Link;
    if (S_ISDIR(st.st_mode)) return FileKind::Directory;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    return FileKind::Other;
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

uint64_t nameCount(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_nlink > 0 ? static_cast<uint64_t>(st.st_nlink) : 1;
}

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

#endif

}  // namespace lumivex::cli
