#include "engine/diag/diag.h"

#include <cstdio>
#include <cstdlib>

namespace lumivex {

std::optional<std::string> currentFileName;

namespace {
FatalExitHook fatalExitHook = nullptr;
}

void setFatalExitHook(FatalExitHook hook) { fatalExitHook = hook; }

void failFatal(const char* message) {
    std::fprintf(stderr, "\nError : %s\n", message);
    if (currentFileName) std::fprintf(stderr, "in file '%s'\n", currentFileName->c_str());
    std::fflush(stderr);
    if (fatalExitHook) fatalExitHook();
    std::exit(1);
}

void warnNonfatal(const char* format, int a, int b) {
    std::fputs("\nNonfatal Error : ", stderr);
    if (currentFileName) std::fprintf(stderr, "'%s' ", currentFileName->c_str());
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    // The formats are the engine's own constants; a format with fewer conversions ignores the rest.
    std::fprintf(stderr, format, a, b);
#pragma GCC diagnostic pop
    std::fputc('\n', stderr);
}

}  // namespace lumivex
