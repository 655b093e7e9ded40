#include "failing_calls.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace lumivex::faults {
namespace {

// The errno each call fails with; 0 lets it through. Atomic: a test may edit from several threads.
std::atomic<int> failures[3];

std::atomic<int>& failureOf(SystemCall call) { return failures[static_cast<int>(call)]; }

// The C library's function of that name, found past this program's own.
template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

bool failing(SystemCall call) {
    const int error = failureOf(call).load();
    if (error == 0) return false;
    errno = error;
    return true;
}

}  // namespace

FailingCall::FailingCall(SystemCall call, int error) : call_(call) { failureOf(call).store(error); }

FailingCall::~FailingCall() { failureOf(call_).store(0); }

}  // namespace lumivex::faults

using lumivex::faults::SystemCall;

extern "C" int fsync(int fd) {
    static const auto real = lumivex::faults::next<int (*)(int)>("fsync");
    return lumivex::faults::failing(SystemCall::Fsync) ? -1 : real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto real = lumivex::faults::next<int (*)(const char*, const char*)>("rename");
    return lumivex::faults::failing(SystemCall::Rename) ? -1 : real(from, to);
}

extern "C" int link(const char* existing, const char* newName) noexcept {
    static const auto real = lumivex::faults::next<int (*)(const char*, const char*)>("link");
    return lumivex::faults::failing(SystemCall::Link) ? -1 : real(existing, newName);
}

// The edits work relative to the photo's open folder: the same failures through the *at calls.
extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept {
    static const auto real = lumivex::faults::next<int (*)(int, const char*, int, const char*)>("renameat");
    return lumivex::faults::failing(SystemCall::Rename) ? -1 : real(fromFolder, from, toFolder, to);
}

extern "C" int linkat(int fromFolder, const char* existing, int toFolder, const char* newName, int flags) noexcept {
    static const auto real = lumivex::faults::next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return lumivex::faults::failing(SystemCall::Link) ? -1 : real(fromFolder, existing, toFolder, newName, flags);
}
