#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/utime.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <vector>

#include "engine/platform/file_names.h"
#include "engine/platform/file_services.h"
#include "engine/platform/temp_files.h"

namespace lumivex::platform {

// Paths are in the process's 8-bit code page, as the msvcrt functions expect them.

namespace {

void fill(const struct _stat64& st, FileStatus& status) {
    status.modifiedSeconds = st.st_mtime;
    status.modifiedNanos = 0;
    // The C runtime's st_ctime is the creation time here: the modification time stands in for the change time.
    status.changedSeconds = st.st_mtime;
    status.changedNanos = 0;
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
    status.identity.device = info.dwVolumeSerialNumber;
    status.identity.file = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    status.links = info.nNumberOfLinks;
}

std::string inFolder(const Folder& folder, const std::string& name) { return folder.path + "\\" + name; }

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

// Only symbolic links and junctions count as links: cloud placeholders and deduplicated files are reparse
// points too, and are ordinary files to the user.
bool statLink(const char* path, FileStatus& status) {
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    ::FindClose(search);
    const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                      (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    if (!link) return statFile(path, status);
    status = FileStatus();
    status.isLink = true;
    const HANDLE handle =
        ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    fillIdentity(handle, status);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
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

// Two names of one file (a hard link, another spelling of the path) have one volume and file index.
bool sameFile(const char* a, const char* b) {
    FileStatus first;
    FileStatus second;
    return statFile(a, first) && statFile(b, second) && first.identity != FileIdentity{} &&
           first.identity == second.identity;
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

// Shared for reading only: while it is open no one may open the photo for writing, which is the edit lock here.
OpenFile openForReading(const char* path) {
    int fd = -1;
    if (::_sopen_s(&fd, path, _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYWR, 0) != 0) return OpenFile();
    return OpenFile(fd);
}

bool statOpenFile(const OpenFile& file, FileStatus& status) {
    struct _stat64 st {};
    if (::_fstat64(file.fd(), &st) != 0) return false;
    fill(st, status);
    fillIdentity(reinterpret_cast<HANDLE>(::_get_osfhandle(file.fd())), status);
    return true;
}

// The photo is open denying writers (openForReading): no one else can change it until it is closed just before
// the replacement.
bool lockForEdit(const OpenFile& file) { return file.isOpen(); }

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

// ReplaceFile keeps what the photo's file had beyond its bytes (alternate streams, access control lists,
// attributes, creation time); where the volume cannot, a plain rename. Explorer keys its thumbnail cache on the
// modification time, which the edit keeps: it is told that the file changed.
bool renameOver(const char* from, const char* to) {
    const bool replaced = ::ReplaceFileA(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0 ||
                          ::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (replaced) ::SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHA, to, nullptr);
    return replaced;
}

bool removeFile(const char* path) { return ::_unlink(path) == 0; }

// Block cloning needs a ReFS volume and an API this build does not reach: the ordinary copy runs.
bool cloneFile(const OpenFile& /*from*/, const OpenFile& /*to*/, uint64_t /*destOffset*/) { return false; }

bool cloneRange(const OpenFile& /*from*/, uint64_t /*fromOffset*/, const OpenFile& /*to*/, uint64_t /*destOffset*/) {
    return false;
}

// Without folder descriptors the steps go by the folder's path.
bool openFolder(const std::string& path, bool /*followAnyLink*/, Folder& folder, std::string& why) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        why = "Cannot open the folder '" + path + "'";
        return false;
    }
    folder.path = path;
    return true;
}

OpenFile openInFolder(const Folder& folder, const std::string& name) {
    const std::string path = inFolder(folder, name);
    // The open itself would follow a link: a name that is one is refused here, as O_NOFOLLOW does elsewhere.
    FileStatus named;
    if (statLink(path.c_str(), named) && named.isLink) return OpenFile();
    return openForReading(path.c_str());
}

OpenFile openInFolderForWriting(const Folder& folder, const std::string& name) {
    return OpenFile(::_open(inFolder(folder, name).c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT));
}

bool canWriteInFolder(const Folder& folder, const std::string& name, const FileStatus& /*status*/) {
    return canWriteFile(inFolder(folder, name).c_str());
}

bool statInFolder(const Folder& folder, const std::string& name, FileStatus& status) {
    return statLink(inFolder(folder, name).c_str(), status);
}

OpenFile createTempNamed(const Folder& folder, const std::string& name, bool& nameTaken) {
    const std::string path = inFolder(folder, name);
    const int fd = ::_open(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    nameTaken = fd < 0 && errno == EEXIST;
    if (fd < 0) return OpenFile();
    rememberTempFile(path.c_str());
    return OpenFile(fd);
}

OpenFile createExclusiveIn(const Folder& folder, const std::string& name, uint32_t mode) {
    return createExclusive(inFolder(folder, name).c_str(), mode);
}

bool linkInFolder(const Folder& folder, const std::string& existing, const std::string& newName) {
    return makeHardLink(inFolder(folder, existing).c_str(), inFolder(folder, newName).c_str());
}

bool renameInFolder(const Folder& folder, const std::string& from, const std::string& to) {
    forgetTempFile(inFolder(folder, from).c_str());
    return renameOver(inFolder(folder, from).c_str(), inFolder(folder, to).c_str());
}

bool removeInFolder(const Folder& folder, const std::string& name) {
    forgetTempFile(inFolder(folder, name).c_str());
    return removeFile(inFolder(folder, name).c_str());
}

// A file still open for an edit cannot be removed here (it is not shared for deletion), so no lock is needed.
void removeStaleTemporaries(const Folder& folder) {
    static std::mutex guard;
    static std::set<std::string> visited;  // a batch edits many photos of one folder: looked through once
    {
        const std::lock_guard<std::mutex> hold(guard);
        if (!visited.insert(folder.path).second) return;
    }
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(inFolder(folder, ".lumivex-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    do {
        FileStatus status;
        const std::string name = found.cFileName;
        if (isTemporaryName(name) && statInFolder(folder, name, status) && status.isRegular &&
            status.modifiedSeconds + 60 <= now) {
            removeInFolder(folder, name);
        }
    } while (::FindNextFileA(search, &found) != 0);
    ::FindClose(search);
}

bool truncateFile(const OpenFile& file, uint64_t size) {
    return ::_chsize_s(file.fd(), static_cast<int64_t>(size)) == 0;
}

bool readAt(const OpenFile& file, uint64_t offset, uint8_t* out, uint64_t n) {
    if (::_lseeki64(file.fd(), static_cast<int64_t>(offset), SEEK_SET) != static_cast<int64_t>(offset)) return false;
    for (uint64_t done = 0; done < n;) {
        const uint64_t left = n - done;
        const unsigned want = static_cast<unsigned>(left < (1u << 30) ? left : (1u << 30));
        const int got = ::_read(file.fd(), out + done, want);
        if (got <= 0) return false;
        done += static_cast<uint64_t>(got);
    }
    return true;
}

bool writeAt(const OpenFile& file, uint64_t offset, const uint8_t* bytes, uint64_t n) {
    if (::_lseeki64(file.fd(), static_cast<int64_t>(offset), SEEK_SET) != static_cast<int64_t>(offset)) return false;
    for (uint64_t done = 0; done < n;) {
        const uint64_t left = n - done;
        const unsigned want = static_cast<unsigned>(left < (1u << 30) ? left : (1u << 30));
        const int put = ::_write(file.fd(), bytes + done, want);
        if (put <= 0) return false;
        done += static_cast<uint64_t>(put);
    }
    return true;
}

// No kernel-side copy between two descriptors here: the portable loop copies.
uint64_t copyInKernel(const OpenFile& /*from*/, uint64_t /*fromOffset*/, const OpenFile& /*to*/, uint64_t /*toOffset*/,
                      uint64_t /*n*/) {
    return 0;
}

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
