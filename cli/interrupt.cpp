#include "cli/interrupt.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "cli/signals.h"
#include "lumivex/file_services.h"

namespace lumivex::cli {

namespace {

// Lock-free, so the handler may count on it.
std::atomic<int> interruptsSeen{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int signal) {
    if (interruptsSeen.fetch_add(1) > 0) {
        // Asked twice: the person wants the run over now, whatever a photo is waiting on.
        platform::removeTempFilesNow();
        std::_Exit(128 + signal);
    }
    keepCatching(signal, onInterrupt);
}

}  // namespace

void catchInterrupts() {
    catchSignal(SIGINT, onInterrupt);
    catchSignal(SIGTERM, onInterrupt);
}

bool interrupted() { return interruptsSeen.load() > 0; }

}  // namespace lumivex::cli
