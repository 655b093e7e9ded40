// Scaffolding for fault-injection tests of the driver: scratch folders on a real disk, the driver run in a
// child process that may die, and the file-system conditions (small tmpfs, read-only mounts, immutable
// entries) that need root, each reporting plainly when the machine cannot make it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumivex::faults {

std::string testPhoto(const char* name);  // a file of tests/data/photos
std::vector<uint8_t> fileBytes(const std::string& path);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool exists(const std::string& path);
bool isDirectory(const std::string& path);

// A folder of its own below the working directory (a real disk, where chattr works), removed afterwards.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// How a child process ended, and what it wrote.
struct ChildOutcome {
    bool exited = false;
    int exitCode = -1;          // when exited
    int signal = 0;             // when killed
    std::optional<int> result;  // the driver's result when the body returned
    std::string standardError;
    std::string standardOutput;
};

// Runs body in a forked child with standard output and error captured; body returns the driver's result.
ChildOutcome runInChild(const std::function<int()>& body);

// A private mount namespace for this test process, so that mounts vanish with it; false when not allowed.
bool enterPrivateMountNamespace(std::string& why);

// Mounts a tmpfs with the given options on an existing folder, unmounted when destroyed.
class TmpfsMount {
  public:
    TmpfsMount(const std::string& folder, const std::string& options);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

  private:
    std::string folder_;
    bool mounted_ = false;
    std::string why_;
};

// Makes a folder read-only by a read-only bind mount of itself, undone when destroyed.
class ReadOnlyBind {
  public:
    explicit ReadOnlyBind(const std::string& folder);
    ~ReadOnlyBind();
    ReadOnlyBind(const ReadOnlyBind&) = delete;
    ReadOnlyBind& operator=(const ReadOnlyBind&) = delete;
    bool made() const { return made_; }
    const std::string& why() const { return why_; }

  private:
    std::string folder_;
    bool made_ = false;
    std::string why_;
};

// Sets the immutable attribute (root cannot rename, remove or add entries either), cleared when destroyed.
class Immutable {
  public:
    explicit Immutable(const std::string& path);
    ~Immutable();
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    bool made() const { return made_; }
    const std::string& why() const { return why_; }
    // Clears the attribute if it is set; quiet when the file system has none.
    static void clear(const std::string& path);

  private:
    std::string path_;
    bool made_ = false;
    std::string why_;
};

}  // namespace lumivex::faults
