#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "engine/platform/file_services.h"

namespace lumivex::platform {

bool statFile(const char* path, FileStatus& status) {
    struct stat st {};
    if (::stat(path, &st) != 0) return false;
    status.modifiedSeconds = st.st_mtim.tv_sec;
    status.modifiedNanos = st.st_mtim.tv_nsec;
    status.size = st.st_size;
    status.mode = st.st_mode & 07777;
    status.isDirectory = S_ISDIR(st.st_mode);
    return true;
}

bool canWriteFile(const char* path) {
    struct stat st {};
    if (::stat(path, &st) != 0) return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::access(path, W_OK) == 0;
}

bool setFileMode(const char* path, uint32_t mode) { return ::chmod(path, static_cast<mode_t>(mode)) == 0; }

bool setFileTimes(const char* path, int64_t seconds, int64_t nanos) {
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[0].tv_nsec = static_cast<long>(nanos);
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, path, times, 0) == 0;
}

bool sameFile(const char* a, const char* b) {
    struct stat first {};
    struct stat second {};
    if (::stat(a, &first) != 0 || ::stat(b, &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

size_t maxPathBytes() { return PATH_MAX - 1; }

void useBinaryStdout() {}

}  // namespace lumivex::platform
