#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/utime.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/platform/file_services.h"

namespace lumivex::platform {

// Paths are in the system's 8-bit code page, as the msvcrt functions expect them.

bool statFile(const char* path, FileStatus& status) {
    struct _stat64 st {};
    if (::_stat64(path, &st) != 0) return false;
    status.modifiedSeconds = st.st_mtime;
    status.modifiedNanos = 0;
    status.size = st.st_size;
    status.mode = st.st_mode & 0777;
    status.isDirectory = (st.st_mode & _S_IFDIR) != 0;
    return true;
}

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

}  // namespace lumivex::platform
