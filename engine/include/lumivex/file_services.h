// The file services the front ends share with the engine: a file's status, opening a file for reading without
// blocking or following a final link, and the open file and folder an edit holds. The platform's own parts
// (file_services_posix.cpp, file_services_windows.cpp) provide them.
#pragma once

#include <compare>
#include <cstdint>
#include <cstdio>
#include <string>

namespace lumivex::platform {

// What names a file whatever path reached it: its device and inode, or on Windows its volume's serial number
// and its index on that volume. Two names of one file (hard links, two spellings of a path) share it.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t file = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

struct FileStatus {
    int64_t modifiedSeconds = 0;  // modification time, seconds since 1970-01-01 UTC
    int64_t modifiedNanos = 0;    // the part of a second, where the file system keeps it
    int64_t changedSeconds = 0;   // last change of the file's data or attributes (a write moves it)
    int64_t changedNanos = 0;
    int64_t size = 0;   // bytes
    uint32_t mode = 0;  // permission bits as the platform reports them
    bool isDirectory = false;
    bool isRegular = false;  // a plain file: not a folder, device, FIFO or socket
    bool isLink = false;     // a symbolic link (only from statLink)
    FileIdentity identity;   // what names the file whatever path reached it
    uint32_t owner = 0;
    uint32_t group = 0;
    uint64_t links = 1;  // the file's names (hard links)
};

// False when the path does not exist or cannot be examined. statFile follows links, statLink does not.
bool statFile(const char* path, FileStatus& status);
bool statLink(const char* path, FileStatus& status);

// True when this process may rewrite the file. A file whose permission bits let no one write it counts as
// read-only even for an administrator: the owner marked it so on purpose.
bool canWriteFile(const char* path);

// True when both paths name one existing file (the same file reached by two names counts too).
bool sameFile(const char* a, const char* b);

// The file a path finally names, every symbolic link resolved; false when it cannot be resolved.
bool resolvePath(const char* path, std::string& resolved);

// An open file, closed with the object; fd is -1 when none.
class OpenFile {
  public:
    OpenFile() = default;
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept : fd_(other.release()) {}
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_ = -1;
};

// Opens an existing file for reading; never blocks on a FIFO or a device, never follows a final link.
OpenFile openForReading(const char* path);
bool statOpenFile(const OpenFile& file, FileStatus& status);

// A folder held open, so that every step of an edit inside it reaches this folder, whatever is done to its
// name meanwhile. Systems without folder descriptors work by the path.
struct Folder {
    OpenFile handle;
    std::string path;
};

// Reads n bytes at offset of the file into out (the file's position is not relied on); false unless all n were
// there to read.
bool readAt(const OpenFile& file, uint64_t offset, uint8_t* out, uint64_t n);

// A stream over a duplicate of the descriptor ("rb" or "wb"); nullptr on failure.
std::FILE* streamOf(const OpenFile& file, const char* mode);

// Removes every temporary file this process has made and not yet renamed or removed, so that a run ended at
// once (a second Ctrl-C) leaves none behind. Async-signal-safe: atomics and unlink only.
void removeTempFilesNow();

}  // namespace lumivex::platform
