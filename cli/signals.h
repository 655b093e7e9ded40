// How the system hands a signal to a handler: signals_posix.cpp and signals_windows.cpp.
#pragma once

namespace lumivex::cli {

using SignalHandler = void (*)(int);

// From now on the signal calls handler; a wait in a system call (a FIFO, a stuck disk) is cut short by it
// rather than resumed, so that a run asked to end does not hang there.
void catchSignal(int signal, SignalHandler handler);

// Called by the handler: where the C library forgets the handler once it has run, it is set again.
void keepCatching(int signal, SignalHandler handler);

}  // namespace lumivex::cli
