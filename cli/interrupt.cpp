#include "cli/interrupt.h"

#include <atomic>
#include <csignal>

namespace lumivex::cli {

namespace {

// Lock-free, so the handler may set it.
std::atomic<bool> interruptSeen{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int signal) {
    interruptSeen.store(true);
#ifdef _WIN32
    std::signal(signal, onInterrupt);  // the C library here resets the handler before calling it
#else
    (void)signal;
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
    action.sa_flags = SA_RESTART;  // a read or write in progress goes on rather than failing with EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool interrupted() { return interruptSeen.load(); }

}  // namespace lumivex::cli
