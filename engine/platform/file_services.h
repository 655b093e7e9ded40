// The few file-system services the engine needs beyond the C++ standard library. The engine reaches the
// platform only through this header (the part the front ends use too is lumivex/file_services.h);
// file_services_posix.cpp and file_services_windows.cpp provide it.
// Edits go by descriptor wherever they can: every step by path between a check and a use is a race that
// another user of a shared folder can win.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "lumivex/file_services.h"

namespace lumivex::platform {

bool setFileMode(const char* path, uint32_t mode);

// Sets both the access and the modification time.
bool setFileTimes(const char* path, int64_t seconds, int64_t nanos);

// The longest path, in bytes, that every file service here accepts.
size_t maxPathBytes();

// Standard output as a byte stream (no newline translation), for thumbnails exported to "-".
void useBinaryStdout();

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

// Makes `to`, from destOffset on, a clone of `from` from fromOffset to its end; both offsets must be multiples
// of the file system's block size. False where the file system or the system cannot.
bool cloneRange(const OpenFile& from, uint64_t fromOffset, const OpenFile& to, uint64_t destOffset);

// Opens the folder at path. Unless followAnyLink, a symbolic link on the way is followed only where no other
// user could have put it: the link and the folder holding it belong to the administrator or to this user, and
// no one else may rename in that folder. why says what is wrong when it returns false.
bool openFolder(const std::string& path, bool followAnyLink, Folder& folder, std::string& why);

// Opens an existing file of the folder for reading; never through a link, never blocking on a FIFO.
OpenFile openInFolder(const Folder& folder, const std::string& name);
// The same for writing in place (the file keeps its identity); never through a link.
OpenFile openInFolderForWriting(const Folder& folder, const std::string& name);
// Whether we may write the file the name reaches, as canWriteFile says it (status is the file's own).
bool canWriteInFolder(const Folder& folder, const std::string& name, const FileStatus& status);
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

// Writes n bytes at offset of the file; false unless all n were written.
bool writeAt(const OpenFile& file, uint64_t offset, const uint8_t* bytes, uint64_t n);
// Copies n bytes from fromOffset of `from` to toOffset of `to`, kernel-side where the system can (no position of
// either file is used or moved); false on a short copy or an error.
bool copyBetween(const OpenFile& from, uint64_t fromOffset, const OpenFile& to, uint64_t toOffset, uint64_t n);
// The system's parts of createTempIn, copyBetween and overwriteWith (whose loops are portable): one exclusive
// create of a temporary file under a given name, held locked where the system has locks (nameTaken: the name
// was there already); a copy by the kernel, which gives how many bytes it copied from the start (0 where it
// cannot); and a cut to size.
OpenFile createTempNamed(const Folder& folder, const std::string& name, bool& nameTaken);
uint64_t copyInKernel(const OpenFile& from, uint64_t fromOffset, const OpenFile& to, uint64_t toOffset, uint64_t n);
bool truncateFile(const OpenFile& file, uint64_t size);
// Copies n bytes from offset of `in` to the end of `out`, kernel-side where the system can; false on a short
// copy or an error.
bool copyRange(std::FILE* in, int64_t offset, std::FILE* out, uint64_t n);

}  // namespace lumivex::platform

namespace lumivex::platform {

// Windows cannot rename over a file that is open: there the descriptor is closed here; elsewhere it stays
// open, so that the edit lock is held until the new file has taken the photo's name.
void releaseBeforeRename(OpenFile& file);

}  // namespace lumivex::platform
