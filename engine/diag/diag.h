// Error reports of the engine. A fatal report ends the current photo's operation, never the process: it is
// written, then thrown as FatalError up to the entry point of the operation, which cleans up and reports
// failure. Only the front ends decide whether the program ends (the window does, with status 1).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/platform/thread_record.h"
#include "lumivex/report_sink.h"

namespace lumivex {

// Path of the file being processed, named in every report; none until the first file operation.
// Per thread rather than passed along because every report below an operation names it: each worker of the
// tool processes one photo at a time.
extern thread_local LUMIVEX_THREAD_RECORD(std::optional<std::string>) currentFileName;

// Writes "\nError : <message>\n" (and the file) to the report sink and throws FatalError.
[[noreturn]] void failFatal(const char* message);

// Writes "\nNonfatal Error : '<file>' <format expanded with a and b>\n" to the report sink.
void warnNonfatal(const char* format, int a, int b);

// One line that the window writes to standard output rather than standard error (a line feed is added); like
// every report it goes to the report sink where one is set.
void reportOutputLine(std::string_view line);

}  // namespace lumivex
