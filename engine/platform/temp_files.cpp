#include "engine/platform/temp_files.h"

#include <atomic>
#include <cstddef>
#include <cstring>

namespace lumivex::platform {

namespace {

// Two files per worker at most (a temporary photo and an output), for far more workers than cores.
constexpr size_t kSlots = 128;
constexpr size_t kPathBytes = 4096;

enum SlotState : int { kFree, kBusy, kHeld };

struct Slot {
    std::atomic<int> state{kFree};
    char path[kPathBytes];
};
static_assert(std::atomic<int>::is_always_lock_free);

Slot slots[kSlots];

}  // namespace

void rememberTempFile(const char* path) {
    const size_t length = std::strlen(path);
    if (length >= kPathBytes) return;
    for (Slot& slot : slots) {
        int expected = kFree;
        if (!slot.state.compare_exchange_strong(expected, kBusy)) continue;
        std::memcpy(slot.path, path, length + 1);
        slot.state.store(kHeld);
        return;
    }
}

void forgetTempFile(const char* path) {
    for (Slot& slot : slots) {
        int expected = kHeld;
        if (slot.state.load() != kHeld || std::strcmp(slot.path, path) != 0) continue;
        if (slot.state.compare_exchange_strong(expected, kBusy)) slot.state.store(kFree);
        return;
    }
}

void removeTempFilesNow() {
    for (Slot& slot : slots) {
        int expected = kHeld;
        // Taken for good: the process ends right after this.
        if (!slot.state.compare_exchange_strong(expected, kBusy)) continue;
        unlinkFromSignalHandler(slot.path);
    }
}

}  // namespace lumivex::platform
