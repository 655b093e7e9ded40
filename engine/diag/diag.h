// Error reports of the engine. A fatal report ends the current photo's operation, never the process: it is
// written, then thrown as FatalError up to the entry point of the operation, which cleans up and reports
// failure. Only the front ends decide whether the program ends (the window does, with status 1).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/diag/thread_record.h"

namespace lumivex {

// Path of the file being processed, named in every report; none until the first file operation.
// Per thread rather than passed along because every report below an operation names it: each worker of the
// tool processes one photo at a time.
extern thread_local LUMIVEX_THREAD_RECORD(std::optional<std::string>) currentFileName;

// Carries a fatal report from where it is found to the entry point of the operation.
struct FatalError {
    std::string message;  // the report's message, without "Error : "
};

// Writes "\nError : <message>\n" (and the file) to the report sink and throws FatalError.
[[noreturn]] void failFatal(const char* message);

// Writes "\nNonfatal Error : '<file>' <format expanded with a and b>\n" to the report sink.
void warnNonfatal(const char* format, int a, int b);

// Writes one informational line of the engine (a line feed is added) to the report sink.
void reportLine(std::string_view line);

// One line that the window writes to standard output rather than standard error (a line feed is added); like
// every report it goes to the report sink where one is set.
void reportOutputLine(std::string_view line);

// Passes on report text as it was written before (a photo value's reports), to the report sink.
void reportText(std::string_view text);

// Receives every report of the engine on this thread, as written text. The default (an empty function)
// writes to standard error; the tool collects a photo's reports to print them with its result, and the
// fuzz targets drop them.
using ReportSink = std::function<void(std::string_view text)>;
void setReportSink(ReportSink sink);

// Drops every report of this thread unwritten (the fuzz targets, which meet millions of them); a fatal report
// still ends the operation.
void discardReports(bool discard);

// Sets the sink for one scope and puts the previous one back at its end.
class ScopedReportSink {
  public:
    explicit ScopedReportSink(ReportSink sink);
    ~ScopedReportSink();
    ScopedReportSink(const ScopedReportSink&) = delete;
    ScopedReportSink& operator=(const ScopedReportSink&) = delete;

  private:
    ReportSink previous_;
};

}  // namespace lumivex
