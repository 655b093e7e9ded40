#include "lumivex/report_sink.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

#include "engine/diag/diag.h"
#include "engine/platform/thread_record.h"

namespace lumivex {

thread_local LUMIVEX_THREAD_RECORD(std::optional<std::string>)
    currentFileName = LUMIVEX_NEW_THREAD_RECORD(std::optional<std::string>);

namespace {

// Per thread, like the current name: each worker collects the reports of its own photo without a lock.
thread_local LUMIVEX_THREAD_RECORD(ReportSink) reportSink = LUMIVEX_NEW_THREAD_RECORD(ReportSink);
thread_local bool reportsDiscarded = false;  // belongs with the sink: the fuzz targets drop a thread's reports

void emit(std::string_view text) {
    if (reportSink) {
        reportSink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void setReportSink(ReportSink sink) { reportSink = std::move(sink); }

void discardReports(bool discard) { reportsDiscarded = discard; }

ScopedReportSink::ScopedReportSink(ReportSink sink) : previous_(std::move(reportSink)) { reportSink = std::move(sink); }

ScopedReportSink::~ScopedReportSink() { reportSink = std::move(previous_); }

void failFatal(const char* message) {
    if (reportsDiscarded) throw FatalError{message};
    std::string text = std::string("\nError : ") + message + "\n";
    if (currentFileName) text += "in file '" + *currentFileName + "'\n";
    emit(text);
    throw FatalError{message};
}

void warnNonfatal(const char* format, int a, int b) {
    if (reportsDiscarded) return;
    std::string text = "\nNonfatal Error : ";
    if (currentFileName) text += "'" + *currentFileName + "' ";
    char expanded[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    // The formats are the engine's own constants; a format with fewer conversions ignores the rest.
    std::snprintf(expanded, sizeof expanded, format, a, b);
#pragma GCC diagnostic pop
    text += expanded;
    text += '\n';
    emit(text);
}

void reportLine(std::string_view line) {
    if (reportsDiscarded) return;
    std::string text(line);
    text += '\n';
    emit(text);
}

}  // namespace lumivex

namespace lumivex {

void reportOutputLine(std::string_view line) {
    if (reportsDiscarded) return;
    std::string text(line);
    text += '\n';
    if (reportSink) {
        reportSink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void reportText(std::string_view text) {
    if (!reportsDiscarded && !text.empty()) emit(text);
}

}  // namespace lumivex
