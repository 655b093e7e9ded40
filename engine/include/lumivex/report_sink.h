// Where the engine's reports go, and how a fatal one ends an operation: the front ends set a sink per thread
// (the tool collects a photo's reports to print them with its result) and catch FatalError at their entry.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace lumivex {

// Carries a fatal report from where it is found to the entry point of the operation.
struct FatalError {
    std::string message;  // the report's message, without "Error : "
};

// Writes one informational line of the engine (a line feed is added) to the report sink.
void reportLine(std::string_view line);

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
