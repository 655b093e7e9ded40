#include <csignal>

#include "cli/signals.h"

namespace lumivex::cli {

void catchSignal(int signal, SignalHandler handler) { std::signal(signal, handler); }

// The C library here resets the handler before calling it.
void keepCatching(int signal, SignalHandler handler) { std::signal(signal, handler); }

}  // namespace lumivex::cli
