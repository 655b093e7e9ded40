// The few file-system services the driver needs beyond the C++ standard library. The engine reaches the
// platform only through this header; file_services_posix.cpp and file_services_windows.cpp provide it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace lumivex::platform {

struct FileStatus {
    int64_t modifiedSeconds = 0;  // modification time, seconds since 1970-01-01 UTC
    int64_t modifiedNanos = 0;    // the part of a second, where the file system keeps it
    int64_t size = 0;             // bytes
    uint32_t mode = 0;            // permission bits as the platform reports them
    bool isDirectory = false;
};

// False when the path does not exist or cannot be examined.
bool statFile(const char* path, FileStatus& status);

// True when this process may rewrite the file. A file whose permission bits let no one write it counts as
// read-only even for an administrator: the owner marked it so on purpose.
bool canWriteFile(const char* path);

bool setFileMode(const char* path, uint32_t mode);

// Sets both the access and the modification time.
bool setFileTimes(const char* path, int64_t seconds, int64_t nanos);

// True when both paths name one existing file (the same file reached by two names counts too).
bool sameFile(const char* a, const char* b);

// The longest path, in bytes, that every file service here accepts.
size_t maxPathBytes();

// Standard output as a byte stream (no newline translation), for thumbnails exported to "-".
void useBinaryStdout();

}  // namespace lumivex::platform
