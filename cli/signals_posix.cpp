#include <csignal>

#include "cli/signals.h"

namespace lumivex::cli {

void catchSignal(int signal, SignalHandler handler) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read or an open that waits fails with EINTR instead of holding the run.
    action.sa_flags = 0;
    sigaction(signal, &action, nullptr);
}

void keepCatching(int /*signal*/, SignalHandler /*handler*/) {}

}  // namespace lumivex::cli
