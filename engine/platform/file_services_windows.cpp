#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/utime.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "engine/platform/file_services.h"

namespace lumivex::platform {

// Paths are in the process's 8-bit code page, as the msvcrt functions expect them.

namespace {

void fill(const struct _stat64& st, FileStatus& status) {
    status.modifiedSeconds = st.st_mtime;
    status.modifiedNanos = 0;
    status.size = st.st_size;
    status.mode = st.st_mode & 0777;
    status.isDirectory = (st.st_mode & _S_IFDIR) != 0;
    status.isRegular = (st.st_mode & _S_IFREG) != 0;
}

// The volume and the file's index on it name the file whatever path reached it; the C runtime's st_dev is the
// drive for a path but 0 for a descriptor, and st_ino is always 0, so they cannot be compared.
void fillIdentity(HANDLE handle, FileStatus& status) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &info)) return;
    status.device = info.dwVolumeSerialNumber;
    status.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool statFile(const char* path, FileStatus& status) {
    struct _stat64 st {};
    if (::_stat64(path, &st) != 0) return false;
    fill(st, status);
    const HANDLE handle = ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    fillIdentity(handle, status);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    return true;
}

bool statLink(const char* path, FileStatus& status) { return statFile(path, status); }

bool canWriteFile(const char* path) { return ::_access(path, 2) == 0; }

bool setFileMode(const char* path, uint32_t mode) { return ::_chmod(path, static_cast<int>(mode)) == 0; }

bool setFileTimes(const char* path, int64_t seconds, int64_t /*nanos*/) {
    struct __utimbuf64 times {};
    times.actime = seconds;
    times.modtime = seconds;
    return ::_utime64(path, &times) == 0;
}

bool sameFile(const char* a, const char* b) {
    char first[_MAX_PATH];
    char second[_MAX_PATH];
    if (::_fullpath(first, a, sizeof first) == nullptr || ::_fullpath(second, b, sizeof second) == nullptr) {
        return false;
    }
    struct _stat64 st {};
    return ::_stricmp(first, second) == 0 && ::_stat64(first, &st) == 0;
}

size_t maxPathBytes() { return _MAX_PATH - 1; }

void useBinaryStdout() { ::_setmode(::_fileno(stdout), _O_BINARY); }

bool resolvePath(const char* path, std::string& resolved) {
    char full[_MAX_PATH];
    if (::_fullpath(full, path, sizeof full) == nullptr) return false;
    resolved = full;
    return true;
}

OpenFile::~OpenFile() {
    if (fd_ >= 0) ::_close(fd_);
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::_close(fd_);
        fd_ = other.release();
    }
    return *this;
}

OpenFile openForReading(const char* path) { return OpenFile(::_open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT)); }

bool statOpenFile(const OpenFile& file, FileStatus& status) {
    struct _stat64 st {};
    if (::_fstat64(file.fd(), &st) != 0) return false;
    fill(st, status);
    fillIdentity(reinterpret_cast<HANDLE>(::_get_osfhandle(file.fd())), status);
    return true;
}

// The share modes of the open files keep a second writer out on this system.
bool lockForEdit(const OpenFile& /*file*/) { return true; }

OpenFile createTempBeside(const std::string& besidePath, std::string& tempPath) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    const std::string prefix = folderOf(besidePath) + "\\." + nameOf(besidePath) + ".lumivex-";
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 12; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        const int fd =
            ::_open(name.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            tempPath = name;
            return OpenFile(fd);
        }
        if (errno != EEXIST) break;
    }
    return OpenFile();
}

OpenFile createExclusive(const char* path, uint32_t /*mode*/) {
    return OpenFile(::_open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE));
}

bool copyOwner(const OpenFile& /*file*/, const FileStatus& /*from*/, std::string& /*why*/) { return true; }

bool copyModeAndTimes(const OpenFile& file, const FileStatus& from) {
    struct __utimbuf64 times {};
    times.actime = from.modifiedSeconds;
    times.modtime = from.modifiedSeconds;
    return ::_futime64(file.fd(), &times) == 0;
}

bool copyExtendedAttributes(const OpenFile& /*from*/, const OpenFile& /*to*/) { return true; }

bool syncFile(const OpenFile& file) { return ::_commit(file.fd()) == 0; }

bool makeHardLink(const char* existing, const char* newName) {
    return ::CreateHardLinkA(newName, existing, nullptr) != 0;
}

bool renameOver(const char* from, const char* to) {
    return ::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const char* path) { return ::_unlink(path) == 0; }

// Block cloning needs a ReFS volume and an API this build does not reach: the ordinary copy runs.
bool cloneFile(const OpenFile& /*from*/, const OpenFile& /*to*/, uint64_t /*destOffset*/) { return false; }

std::FILE* streamOf(const OpenFile& file, const char* mode) {
    const int fd = ::_dup(file.fd());
    if (fd < 0) return nullptr;
    std::FILE* stream = ::_fdopen(fd, mode);
    if (stream == nullptr) ::_close(fd);
    return stream;
}

bool copyRange(std::FILE* in, int64_t offset, std::FILE* out, uint64_t n) {
    if (::_fseeki64(in, offset, SEEK_SET) != 0) return false;
    std::vector<char> chunk(static_cast<size_t>(n < (1u << 20) ? n : (1u << 20)));
    for (uint64_t left = n; left > 0;) {
        const size_t want = left < chunk.size() ? static_cast<size_t>(left) : chunk.size();
        if (std::fread(chunk.data(), 1, want, in) != want || std::fwrite(chunk.data(), 1, want, out) != want) {
            return false;
        }
        left -= want;
    }
    return true;
}

void releaseBeforeRename(OpenFile& file) { file = OpenFile(); }

}  // namespace lumivex::platform
