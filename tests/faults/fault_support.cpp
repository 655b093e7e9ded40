#include "fault_support.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

// Present only in builds with clang's coverage instrumentation: a child that leaves through _exit writes its
// counters first, so that coverage runs see what the driver did in it.
extern "C" int __llvm_profile_write_file(void) __attribute__((weak));

namespace lumivex::faults {

namespace {

constexpr int kResultBase = 100;  // exit codes above this carry the driver's result; a fatal report exits 1

std::string errorText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Immutable bits left by a test that stopped half-way would keep the scratch folder from being removed.
void clearImmutableBelow(const std::string& folder) {
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        Immutable::clear(it->path().string());
    }
}

}  // namespace

std::string testPhoto(const char* name) { return std::string(LUMIVEX_TEST_DATA) + "/photos/" + name; }

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

ScratchFolder::ScratchFolder() {
    std::string pattern = std::filesystem::current_path().string() + "/fault-scratch-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error(errorText("mkdtemp"));
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    Immutable::clear(path_);
    clearImmutableBelow(path_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ChildOutcome runInChild(const std::function<int()>& body) {
    ScratchFolder capture;
    const std::string errPath = capture / "stderr";
    const std::string outPath = capture / "stdout";
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error(errorText("fork"));
    if (pid == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err < 0 || out < 0 || ::dup2(err, 2) < 0 || ::dup2(out, 1) < 0) ::_exit(80);
        const int result = body();
        std::fflush(nullptr);
        if (__llvm_profile_write_file != nullptr) __llvm_profile_write_file();
        // No exit handlers in the child: the parent's test framework owns them.
        ::_exit(kResultBase + result);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error(errorText("waitpid"));
    }
    ChildOutcome outcome;
    if (WIFEXITED(status)) {
        outcome.exited = true;
        outcome.exitCode = WEXITSTATUS(status);
        if (outcome.exitCode >= kResultBase - 10) outcome.result = outcome.exitCode - kResultBase;
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
    outcome.standardError = readText(errPath);
    outcome.standardOutput = readText(outPath);
    return outcome;
}

bool enterPrivateMountNamespace(std::string& why) {
    if (::unshare(CLONE_NEWNS) != 0) {
        why = errorText("unshare(CLONE_NEWNS)");
        return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        why = errorText("making / private");
        return false;
    }
    return true;
}

TmpfsMount::TmpfsMount(const std::string& folder, const std::string& options) : folder_(folder) {
    mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) why_ = errorText("mount tmpfs");
}

TmpfsMount::~TmpfsMount() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

ReadOnlyBind::ReadOnlyBind(const std::string& folder) : folder_(folder) {
    if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        why_ = errorText("bind mount");
        return;
    }
    if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        why_ = errorText("read-only remount");
        ::umount2(folder.c_str(), MNT_DETACH);
        return;
    }
    made_ = true;
}

ReadOnlyBind::~ReadOnlyBind() {
    if (made_) ::umount2(folder_.c_str(), MNT_DETACH);
}

Immutable::Immutable(const std::string& path) : path_(path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        why_ = errorText("open");
        return;
    }
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        why_ = errorText("FS_IOC_GETFLAGS");
    } else {
        flags |= FS_IMMUTABLE_FL;
        made_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (!made_) why_ = errorText("setting the immutable attribute");
    }
    ::close(fd);
}

Immutable::~Immutable() {
    if (made_) clear(path_);
}

void Immutable::clear(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL) != 0) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
}

}  // namespace lumivex::faults
