#include "cli/interrupt.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <cstdlib>
#else
#include <unistd.h>
#endif

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
#ifdef _WIN32
        std::_Exit(128 + signal);
#else
        ::_exit(128 + signal);
#endif
    }
#ifdef _WIN32
    std::signal(signal, onInterrupt);  // the C library here resets the handler before calling it
#endif
}

}  // namespace

void catchInterrupts() {
#ifdef _WIN32
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
#else
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read or an open that waits (a FIFO, a stuck disk) fails with EINTR instead of
    // holding the run after it was asked to end.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool interrupted() { return interruptsSeen.load() > 0; }

}  // namespace lumivex::cli
