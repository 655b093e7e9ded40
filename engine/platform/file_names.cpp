#include "engine/platform/file_names.h"

#include <atomic>
#include <cstdint>
#include <random>

namespace lumivex::platform {

namespace {

constexpr char kTempMark[] = ".lumivex-";
constexpr size_t kTempMarkBytes = sizeof kTempMark - 1;
constexpr size_t kRandomLetters = 12;

size_t lastSeparator(const std::string& path) {
    for (size_t at = path.size(); at > 0; --at) {
        if (isPathSeparator(path[at - 1])) return at - 1;
    }
    return std::string::npos;
}

bool isLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// A secret drawn once per process, and a counter: every call gets other letters, from any thread, without a
// lock. The exclusive create keeps the names unique; the secret keeps them from being guessed.
uint64_t nextRandom() {
    static const uint64_t secret = (uint64_t{std::random_device{}()} << 32) ^ std::random_device{}();
    static std::atomic<uint64_t> counter{0};
    // SplitMix64: each counter value gives a well-mixed 64-bit number.
    uint64_t z = secret + (counter.fetch_add(1, std::memory_order_relaxed) + 1) * 0x9E3779B97F4A7C15u;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

std::string randomLetters() {
    // Lower case only: the name must stay unique on file systems that ignore case.
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr uint64_t kCount = sizeof kLetters - 1;
    uint64_t bits = nextRandom();  // 36^12 < 2^64: one draw gives all twelve letters
    std::string letters;
    for (size_t i = 0; i < kRandomLetters; ++i, bits /= kCount) letters += kLetters[bits % kCount];
    return letters;
}

}  // namespace

std::string folderOf(const std::string& path) {
    const size_t slash = lastSeparator(path);
    if (slash == std::string::npos) return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = lastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

size_t nameStart(const std::string& path) {
    for (size_t at = path.size(); at > 0; --at) {
        if (isPathSeparator(path[at - 1]) || isDriveSeparator(path[at - 1])) return at;
    }
    return 0;
}

std::string temporaryName() { return kTempMark + randomLetters(); }

std::string temporaryPathBeside(const std::string& path) {
    const size_t nameAt = nameStart(path);
    return path.substr(0, nameAt) + "." + path.substr(nameAt) + kTempMark + randomLetters();
}

bool isTemporaryName(const std::string& name) {
    if (name.size() < kTempMarkBytes + kRandomLetters || name[0] != '.') return false;
    const size_t mark = name.size() - kRandomLetters - kTempMarkBytes;
    if (name.compare(mark, kTempMarkBytes, kTempMark) != 0) return false;
    for (size_t i = name.size() - kRandomLetters; i < name.size(); ++i) {
        if (!isLetterOrDigit(name[i])) return false;
    }
    return true;
}

}  // namespace lumivex::platform
