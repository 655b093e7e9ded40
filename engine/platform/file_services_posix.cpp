#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/fs.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "engine/platform/file_names.h"
#include "engine/platform/file_services.h"
#include "engine/platform/temp_files.h"

namespace lumivex::platform {

namespace {

void fill(const struct stat& st, FileStatus& status) {
    status.modifiedSeconds = st.st_mtim.tv_sec;
    status.modifiedNanos = st.st_mtim.tv_nsec;
    status.changedSeconds = st.st_ctim.tv_sec;
    status.changedNanos = st.st_ctim.tv_nsec;
    status.links = st.st_nlink;
    status.size = st.st_size;
    status.mode = st.st_mode & 07777;
    status.isDirectory = S_ISDIR(st.st_mode);
    status.isRegular = S_ISREG(st.st_mode);
    status.isLink = S_ISLNK(st.st_mode);
    status.identity.device = st.st_dev;
    status.identity.file = st.st_ino;
    status.owner = st.st_uid;
    status.group = st.st_gid;
}

}  // namespace

bool statFile(const char* path, FileStatus& status) {
    struct stat st {};
    if (::stat(path, &st) != 0) return false;
    fill(st, status);
    return true;
}

bool statLink(const char* path, FileStatus& status) {
    struct stat st {};
    if (::lstat(path, &st) != 0) return false;
    fill(st, status);
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

bool resolvePath(const char* path, std::string& resolved) {
    char* real = ::realpath(path, nullptr);
    if (real == nullptr) return false;
    resolved = real;
    std::free(real);
    return true;
}

OpenFile::~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
}

OpenFile openForReading(const char* path) {
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    // Reading a photo to decide is not using it: where we may, its access time stays as it was.
    int fd = ::open(path, kFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = ::open(path, kFlags);
    if (fd < 0) return OpenFile();
    // Reads of a regular file do not care; the flag was only there so that opening a FIFO cannot hang.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return OpenFile(fd);
}

bool statOpenFile(const OpenFile& file, FileStatus& status) {
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0) return false;
    fill(st, status);
    return true;
}

bool lockForEdit(const OpenFile& file) {
    while (::flock(file.fd(), LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

OpenFile createExclusive(const char* path, uint32_t mode) {
    return OpenFile(::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode)));
}

bool copyOwner(const OpenFile& file, const FileStatus& from, std::string& why) {
    struct stat now {};
    if (::fstat(file.fd(), &now) != 0) {
        why = "cannot examine the new file";
        return false;
    }
    if (now.st_uid == from.owner && now.st_gid == from.group) return true;
    if (::fchown(file.fd(), from.owner, from.group) == 0) return true;
    // Not allowed to give the file away: keep at least the group, so that the group can still read it.
    if (now.st_gid == from.group || ::fchown(file.fd(), static_cast<uid_t>(-1), from.group) == 0) return true;
    why = "the new file could not be given the photo's group";
    return false;
}

bool copyModeAndTimes(const OpenFile& file, const FileStatus& from) {
    bool ok = ::fchmod(file.fd(), static_cast<mode_t>(from.mode & 0777)) == 0;
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(from.modifiedSeconds);
    times[0].tv_nsec = static_cast<long>(from.modifiedNanos);
    times[1] = times[0];
    ok = ::futimens(file.fd(), times) == 0 && ok;
    return ok;
}

bool copyExtendedAttributes(const OpenFile& from, const OpenFile& to) {
    const ssize_t listSize = ::flistxattr(from.fd(), nullptr, 0);
    if (listSize <= 0) return listSize == 0 || errno == ENOTSUP;
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = ::flistxattr(from.fd(), names.data(), names.size());
    if (got < 0) return false;
    bool ok = true;
    for (size_t at = 0; at < static_cast<size_t>(got);) {
        const char* name = names.data() + at;
        at += std::char_traits<char>::length(name) + 1;
        const ssize_t valueSize = ::fgetxattr(from.fd(), name, nullptr, 0);
        if (valueSize < 0) {
            ok = false;
            continue;
        }
        std::vector<char> value(static_cast<size_t>(valueSize));
        const ssize_t read = ::fgetxattr(from.fd(), name, value.data(), value.size());
        ok = read >= 0 && ::fsetxattr(to.fd(), name, value.data(), static_cast<size_t>(read), 0) == 0 && ok;
    }
    return ok;
}

bool syncFile(const OpenFile& file) { return ::fsync(file.fd()) == 0; }

bool makeHardLink(const char* existing, const char* newName) { return ::link(existing, newName) == 0; }

bool renameOver(const char* from, const char* to) {
    // Forgotten first: once renamed, the name may be someone else's file.
    forgetTempFile(from);
    return ::rename(from, to) == 0;
}

bool removeFile(const char* path) {
    forgetTempFile(path);
    return ::unlink(path) == 0;
}

bool cloneFile(const OpenFile& from, const OpenFile& to, uint64_t destOffset) {
#ifdef FICLONE
    if (destOffset == 0) return ::ioctl(to.fd(), FICLONE, from.fd()) == 0;
#endif
    return cloneRange(from, 0, to, destOffset);
}

bool cloneRange(const OpenFile& from, uint64_t fromOffset, const OpenFile& to, uint64_t destOffset) {
#ifdef FICLONERANGE
    file_clone_range range{};
    range.src_fd = from.fd();
    range.src_offset = fromOffset;
    range.src_length = 0;  // to the end of the source
    range.dest_offset = destOffset;
    return ::ioctl(to.fd(), FICLONERANGE, &range) == 0;
#else
    (void)from;
    (void)fromOffset;
    (void)to;
    (void)destOffset;
    return false;
#endif
}

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr int kMaxLinkHops = 40;

// Listing the folder needs read permission; a folder we may only pass through is still held, by O_PATH.
int openFolderAt(int at, const char* path, int extraFlags) {
    int fd = ::openat(at, path, kFolderFlags | extraFlags);
#ifdef O_PATH
    if (fd < 0 && errno == EACCES) fd = ::openat(at, path, O_PATH | O_DIRECTORY | O_CLOEXEC | extraFlags);
#endif
    return fd;
}

bool ownedByUs(uid_t owner) { return owner == 0 || owner == ::geteuid(); }

// A link another user could have made or swapped in is not followed.
bool trustedLink(int folderFd, const struct stat& link) {
    struct stat folder {};
    if (::fstat(folderFd, &folder) != 0 || !ownedByUs(link.st_uid)) return false;
    // In a sticky folder (like /tmp) only the link's owner may rename or remove it.
    if ((folder.st_mode & S_ISVTX) != 0) return true;
    return ownedByUs(folder.st_uid) && (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Opens the folder at path (absolute, or relative to `at`) one component at a time; -1 with why set on failure.
int openStepwise(int at, const std::string& path, int& hopsLeft, std::string& why) {
    // AT_FDCWD is no descriptor to duplicate: a name relative to the working folder starts from "." opened.
    int current = !path.empty() && path[0] == '/' ? openFolderAt(AT_FDCWD, "/", 0)
                  : at == AT_FDCWD                ? openFolderAt(AT_FDCWD, ".", 0)
                                                  : ::fcntl(at, F_DUPFD_CLOEXEC, 0);
    if (current < 0) {
        why = std::strerror(errno);
        return -1;
    }
    for (size_t pos = 0; pos < path.size();) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        int next = openFolderAt(current, part.c_str(), O_NOFOLLOW);
        const int openError = errno;
        struct stat st {};
        if (next < 0 && ::fstatat(current, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
            if (!trustedLink(current, st)) {
                why = "'" + part + "' on the way to it is a link that another user could have put there";
            } else if (--hopsLeft < 0) {
                why = "too many links on the way to it";
            } else {
                std::string target(PATH_MAX, '\0');
                const ssize_t n = ::readlinkat(current, part.c_str(), target.data(), target.size());
                if (n > 0 && static_cast<size_t>(n) < target.size()) {
                    target.resize(static_cast<size_t>(n));
                    next = openStepwise(current, target, hopsLeft, why);
                }
            }
        } else if (next < 0) {
            why = std::strerror(openError);
        }
        ::close(current);
        if (next < 0) {
            if (why.empty()) why = "a link on the way to it cannot be read";
            return -1;
        }
        current = next;
    }
    return current;
}

// The registry of temporary files works by path; the path is built without allocating, so that a step that
// must not fail for want of memory does not. A path too long for the registry is not remembered anyway.
void withPathInFolder(const Folder& folder, const std::string& name, void (*use)(const char*)) {
    char path[PATH_MAX];
    const int n = std::snprintf(path, sizeof path, "%s/%s", folder.path.c_str(), name.c_str());
    if (n > 0 && static_cast<size_t>(n) < sizeof path) use(path);
}

// A batch edits many photos of one folder: the folder is looked through for leftovers once per run. Known by
// the path it was opened by, which costs no system call a photo; two spellings of one folder look twice.
bool firstVisit(const std::string& folderPath) {
    static std::mutex guard;
    static std::set<std::string> visited;
    const std::lock_guard<std::mutex> hold(guard);
    return visited.insert(folderPath).second;
}

// The whole path in one call where it has no link at all (the common case); -1 where it has one, or where the
// system cannot say, and the walk one component at a time decides.
int openFolderWithoutLinks(const std::string& path) {
#if defined(__linux__) && defined(SYS_openat2)
    struct open_how how {};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how));
#else
    (void)path;
    return -1;
#endif
}

}  // namespace

bool openFolder(const std::string& path, bool followAnyLink, Folder& folder, std::string& why) {
    int hopsLeft = kMaxLinkHops;
    std::string reason;
    int fd = followAnyLink || path.empty() ? -1 : openFolderWithoutLinks(path);
    if (fd < 0) {
        fd = followAnyLink ? openFolderAt(AT_FDCWD, path.c_str(), 0) : openStepwise(AT_FDCWD, path, hopsLeft, reason);
    }
    if (fd < 0) {
        why = "Cannot open the folder '" + path + "': " + (followAnyLink ? std::strerror(errno) : reason);
        return false;
    }
    folder.handle = OpenFile(fd);
    folder.path = path;
    return true;
}

OpenFile openInFolder(const Folder& folder, const std::string& name) {
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    // Reading a photo to decide is not using it: where we may, its access time stays as it was.
    int kept = O_NOATIME;
    int fd = ::openat(folder.handle.fd(), name.c_str(), kFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) {
        kept = 0;
        fd = ::openat(folder.handle.fd(), name.c_str(), kFlags);
    }
    if (fd < 0) return OpenFile();
    // The flag was there only so that opening a FIFO cannot hang; what F_SETFL sets is known, so no F_GETFL.
    ::fcntl(fd, F_SETFL, kept);
    return OpenFile(fd);
}

OpenFile openInFolderForWriting(const Folder& folder, const std::string& name) {
    const int fd =
        ::openat(folder.handle.fd(), name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return OpenFile();
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return OpenFile(fd);
}

bool canWriteInFolder(const Folder& folder, const std::string& name, const FileStatus& status) {
    // The administrator may write anything: a file without write permission is still read-only to us.
    if ((status.mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::faccessat(folder.handle.fd(), name.c_str(), W_OK, 0) == 0;
}

bool statInFolder(const Folder& folder, const std::string& name, FileStatus& status) {
    struct stat st {};
    if (::fstatat(folder.handle.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    fill(st, status);
    return true;
}

OpenFile createTempNamed(const Folder& folder, const std::string& name, bool& nameTaken) {
    const int fd = ::openat(folder.handle.fd(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    nameTaken = fd < 0 && errno == EEXIST;
    if (fd < 0) return OpenFile();
    // No allocation from here until the caller holds the name: running out of memory must not lose it.
    ::flock(fd, LOCK_EX | LOCK_NB);  // a brand-new name: no one else can hold it yet
    withPathInFolder(folder, name, rememberTempFile);
    return OpenFile(fd);
}

OpenFile createExclusiveIn(const Folder& folder, const std::string& name, uint32_t mode) {
    return OpenFile(::openat(folder.handle.fd(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             static_cast<mode_t>(mode)));
}

bool linkInFolder(const Folder& folder, const std::string& existing, const std::string& newName) {
    return ::linkat(folder.handle.fd(), existing.c_str(), folder.handle.fd(), newName.c_str(), 0) == 0;
}

bool renameInFolder(const Folder& folder, const std::string& from, const std::string& to) {
    // Forgotten first: once renamed, the name may be someone else's file.
    withPathInFolder(folder, from, forgetTempFile);
    return ::renameat(folder.handle.fd(), from.c_str(), folder.handle.fd(), to.c_str()) == 0;
}

bool removeInFolder(const Folder& folder, const std::string& name) {
    withPathInFolder(folder, name, forgetTempFile);
    return ::unlinkat(folder.handle.fd(), name.c_str(), 0) == 0;
}

void removeStaleTemporaries(const Folder& folder) {
    if (!firstVisit(folder.path)) return;
    const int listFd = ::openat(folder.handle.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* entries = ::fdopendir(listFd);
    if (entries == nullptr) {
        ::close(listFd);
        return;
    }
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(entries)) {
        if (!isTemporaryName(entry->d_name)) continue;
        OpenFile stale = openInFolder(folder, entry->d_name);
        struct stat st {};
        struct stat named {};
        // An edit that is still running holds its lock; a file just made (before its lock) is not a minute old.
        if (!stale.isOpen() || ::fstat(stale.fd(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_mtim.tv_sec + 60 > now ||
            ::flock(stale.fd(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        if (::fstatat(folder.handle.fd(), entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == st.st_dev && named.st_ino == st.st_ino) {
            ::unlinkat(folder.handle.fd(), entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

bool truncateFile(const OpenFile& file, uint64_t size) { return ::ftruncate(file.fd(), static_cast<off_t>(size)) == 0; }

bool readAt(const OpenFile& file, uint64_t offset, uint8_t* out, uint64_t n) {
    for (uint64_t done = 0; done < n;) {
        const ssize_t got =
            ::pread(file.fd(), out + done, static_cast<size_t>(n - done), static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<uint64_t>(got);
    }
    return true;
}

bool writeAt(const OpenFile& file, uint64_t offset, const uint8_t* bytes, uint64_t n) {
    for (uint64_t done = 0; done < n;) {
        const ssize_t put =
            ::pwrite(file.fd(), bytes + done, static_cast<size_t>(n - done), static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<uint64_t>(put);
    }
    return true;
}

uint64_t copyInKernel(const OpenFile& from, uint64_t fromOffset, const OpenFile& to, uint64_t toOffset, uint64_t n) {
    off_t in = static_cast<off_t>(fromOffset);
    off_t out = static_cast<off_t>(toOffset);
    uint64_t left = n;
    while (left > 0) {
        const ssize_t copied = ::copy_file_range(from.fd(), &in, to.fd(), &out, static_cast<size_t>(left), 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied <= 0) break;
        left -= static_cast<uint64_t>(copied);
    }
    return n - left;
}

std::FILE* streamOf(const OpenFile& file, const char* mode) {
    const int fd = ::fcntl(file.fd(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    std::FILE* stream = ::fdopen(fd, mode);
    if (stream == nullptr) ::close(fd);
    return stream;
}

bool copyRange(std::FILE* in, int64_t offset, std::FILE* out, uint64_t n) {
    if (std::fflush(out) != 0) return false;
    const int inFd = ::fileno(in);
    const int outFd = ::fileno(out);
    off_t from = static_cast<off_t>(offset);
    uint64_t left = n;
    // The kernel copies (or shares) the data itself; a system or file system that refuses gets the loop below.
    while (left > 0) {
        const ssize_t copied = ::copy_file_range(inFd, &from, outFd, nullptr, left, 0);
        if (copied <= 0) break;
        left -= static_cast<uint64_t>(copied);
    }
    if (left == 0) return std::fseek(out, 0, SEEK_END) == 0;
    if (::lseek(outFd, 0, SEEK_END) < 0 || std::fseek(out, 0, SEEK_END) != 0) return false;
    std::vector<char> chunk(static_cast<size_t>(left < (1u << 20) ? left : (1u << 20)));
    while (left > 0) {
        const size_t want = left < chunk.size() ? static_cast<size_t>(left) : chunk.size();
        const ssize_t got = ::pread(inFd, chunk.data(), want, from);
        if (got <= 0 || std::fwrite(chunk.data(), 1, static_cast<size_t>(got), out) != static_cast<size_t>(got)) {
            return false;
        }
        from += got;
        left -= static_cast<uint64_t>(got);
    }
    return true;
}

}  // namespace lumivex::platform

namespace lumivex::platform {

void releaseBeforeRename(OpenFile& /*file*/) {}

}  // namespace lumivex::platform
