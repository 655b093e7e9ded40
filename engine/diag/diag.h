// Error reports of the engine: fatal ones end the process, non-fatal ones let parsing go on.
#pragma once

#include <optional>
#include <string>

namespace lumivex {

// Path of the file being processed, named in every report; none until the first file operation.
extern std::optional<std::string> currentFileName;

// Writes "\nError : <message>\n" (and the file) to standard error and ends the process with status 1.
[[noreturn]] void failFatal(const char* message);

// Writes "\nNonfatal Error : '<file>' <format expanded with a and b>\n" to standard error.
void warnNonfatal(const char* format, int a, int b);

// Fuzzing and death-free tests may take over the end of the process; the hook must not return.
using FatalExitHook = void (*)();
void setFatalExitHook(FatalExitHook hook);

}  // namespace lumivex
