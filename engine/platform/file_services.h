// The few file-system services the engine needs beyond the C++ standard library. The engine reaches the
// platform only through this header; file_services_posix.cpp and file_services_windows.cpp provide it.
// Edits go by descriptor wherever they can: every step by path between a check and a use is a race that
// another user of a shared folder can win.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace lumivex::platform {

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
    uint64_t device = 0;     // device and inode together name the file, whatever path reached it
    uint64_t inode = 0;
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

bool setFileMode(const char* path, uint32_t mode);

// Sets both the access and the modification time.
bool setFileTimes(const char* path, int64_t seconds, int64_t nanos);

// True when both paths name one existing file (the same file reached by two names counts too).
bool sameFile(const char* a, const char* b);

// The longest path, in bytes, that every file service here accepts.
size_t maxPathBytes();

// Standard output as a byte stream (no newline translation), for thumbnails exported to "-".
void useBinaryStdout();

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

// Waits for the exclusive edit lock of an open file (advisory: two runs of this program on one photo take
// turns). True when held; the lock goes with the descriptor.
bool lockForEdit(const OpenFile& file);

// Creates path exclusively (fails if anything has that name), never through a link; the mode is masked by
// the process's umask.
OpenFile createExclusive(const char* path, uint32_t mode = 0600);

// Gives the new file the old one's owner and group; where the caller may not, the group alone if allowed.
// False (why says so) when not even the group can be kept.
bool copyOwner(const OpenFile& file, const FileStatus& from, std::string& why);
// The permission bits only (never set-user-ID, set-group-ID or sticky), and both times from `from`.
bool copyModeAndTimes(const OpenFile& file, const FileStatus& from);
// Extended attributes (and so access control lists); best effort, false when any could not be copied.
bool copyExtendedAttributes(const OpenFile& from, const OpenFile& to);
// Data and metadata on the disk before the call returns.
bool syncFile(const OpenFile& file);

// A second name for an existing file; false where the file system has no hard links or the name is taken.
bool makeHardLink(const char* existing, const char* newName);
// Atomically puts `from` in the place of `to` (replacing what `to` named).
bool renameOver(const char* from, const char* to);
bool removeFile(const char* path);

// Makes `to`, from destOffset on, a clone of the whole of `from` that shares its data blocks (copy-on-write
// file systems); destOffset must be a multiple of the file system's block size. False where the file system
// or the system cannot.
bool cloneFile(const OpenFile& from, const OpenFile& to, uint64_t destOffset);

// A folder held open, so that every step of an edit inside it reaches this folder, whatever is done to its
// name meanwhile. Systems without folder descriptors work by the path.
struct Folder {
    OpenFile handle;
    std::string path;
};

// Opens the folder at path. Unless followAnyLink, a symbolic link on the way is followed only where no other
// user could have put it: the link and the folder holding it belong to the administrator or to this user, and
// no one else may rename in that folder. why says what is wrong when it returns false.
bool openFolder(const std::string& path, bool followAnyLink, Folder& folder, std::string& why);

// Opens an existing file of the folder for reading; never through a link, never blocking on a FIFO.
OpenFile openInFolder(const Folder& folder, const std::string& name);
// The same for writing in place (the file keeps its identity); never through a link.
OpenFile openInFolderForWriting(const Folder& folder, const std::string& name);
// What the name in the folder is, a link not followed.
bool statInFolder(const Folder& folder, const std::string& name, FileStatus& status);

// Creates a new file in the folder under temporaryName(), exclusively, mode 0600, and holds a lock on it for as
// long as it is open, so that removeStaleTemporaries() leaves it alone. tempName receives its name.
OpenFile createTempIn(const Folder& folder, std::string& tempName);
// Creates name in the folder exclusively (fails if anything has that name), never through a link.
OpenFile createExclusiveIn(const Folder& folder, const std::string& name, uint32_t mode = 0600);
// A second name in the folder for an existing file of it.
bool linkInFolder(const Folder& folder, const std::string& existing, const std::string& newName);
// Atomically puts `from` in the place of `to`, both in the folder.
bool renameInFolder(const Folder& folder, const std::string& from, const std::string& to);
bool removeInFolder(const Folder& folder, const std::string& name);
// Removes the temporary files of this program left by an edit that was killed: no edit holds them and they
// are older than a minute.
void removeStaleTemporaries(const Folder& folder);

// Rewrites the whole of `to` with the bytes of `from` (the same file keeps its identity and every name).
bool overwriteWith(const OpenFile& from, const OpenFile& to, uint64_t size);

// Reads n bytes at offset of the file into out (the file's position is not relied on); false unless all n were
// there to read.
bool readAt(const OpenFile& file, uint64_t offset, uint8_t* out, uint64_t n);

// A stream over a duplicate of the descriptor ("rb" or "wb"); nullptr on failure.
std::FILE* streamOf(const OpenFile& file, const char* mode);

// Copies n bytes from offset of `in` to the end of `out`, kernel-side where the system can; false on a short
// copy or an error.
bool copyRange(std::FILE* in, int64_t offset, std::FILE* out, uint64_t n);

}  // namespace lumivex::platform

namespace lumivex::platform {

// Windows cannot rename over a file that is open: there the descriptor is closed here; elsewhere it stays
// open, so that the edit lock is held until the new file has taken the photo's name.
void releaseBeforeRename(OpenFile& file);

}  // namespace lumivex::platform
