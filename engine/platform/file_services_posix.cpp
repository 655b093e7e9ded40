#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/fs.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

#include "engine/platform/file_services.h"
#include "engine/platform/temp_files.h"

namespace lumivex::platform {

namespace {

void fill(const struct stat& st, FileStatus& status) {
    status.modifiedSeconds = st.st_mtim.tv_sec;
    status.modifiedNanos = st.st_mtim.tv_nsec;
    status.size = st.st_size;
    status.mode = st.st_mode & 07777;
    status.isDirectory = S_ISDIR(st.st_mode);
    status.isRegular = S_ISREG(st.st_mode);
    status.isLink = S_ISLNK(st.st_mode);
    status.device = st.st_dev;
    status.inode = st.st_ino;
    status.owner = st.st_uid;
    status.group = st.st_gid;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
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

OpenFile createTempBeside(const std::string& besidePath, std::string& tempPath) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    const std::string prefix = folderOf(besidePath) + "/." + nameOf(besidePath) + ".lumivex-";
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 12; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            rememberTempFile(name.c_str());
            tempPath = std::move(name);  // no allocation between the create and the caller holding the name
            return OpenFile(fd);
        }
        if (errno != EEXIST) break;
    }
    return OpenFile();
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
#ifdef FICLONERANGE
    if (destOffset == 0) return ::ioctl(to.fd(), FICLONE, from.fd()) == 0;
    file_clone_range range{};
    range.src_fd = from.fd();
    range.src_offset = 0;
    range.src_length = 0;  // to the end of the source
    range.dest_offset = destOffset;
    return ::ioctl(to.fd(), FICLONERANGE, &range) == 0;
#else
    (void)from;
    (void)to;
    (void)destOffset;
    return false;
#endif
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
