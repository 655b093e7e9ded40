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

// Where a thread's reports go, or that they go nowhere (the fuzz targets drop them unformatted).
struct SinkRecord {
    ReportSink sink;
    bool discarded = false;
};

// Per thread, like the current name: each worker collects the reports of its own photo without a lock.
thread_local LUMIVEX_THREAD_RECORD(SinkRecord) sinkRecord = LUMIVEX_NEW_THREAD_RECORD(SinkRecord);

bool discarded() { return sinkRecord.discarded; }

void emit(std::string_view text) {
    if (sinkRecord.sink) {
        sinkRecord.sink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void setReportSink(ReportSink sink) { sinkRecord.sink = std::move(sink); }

void discardReports(bool discard) { sinkRecord.discarded = discard; }

ScopedReportSink::ScopedReportSink(ReportSink sink) : previous_(std::move(sinkRecord.sink)) {
    sinkRecord.sink = std::move(sink);
}

ScopedReportSink::~ScopedReportSink() { sinkRecord.sink = std::move(previous_); }

void failFatal(const char* message) {
    if (discarded()) throw FatalError{message};
    std::string text = std::string("\nError : ") + message + "\n";
    if (currentFileName) text += "in file '" + *currentFileName + "'\n";
    emit(text);
    throw FatalError{message};
}

void warnNonfatal(const char* format, int a, int b) {
    if (discarded()) return;
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
    if (discarded()) return;
    std::string text(line);
    text += '\n';
    emit(text);
}

}  // namespace lumivex

namespace lumivex {

void reportOutputLine(std::string_view line) {
    if (discarded()) return;
    std::string text(line);
    text += '\n';
    if (sinkRecord.sink) {
        sinkRecord.sink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void reportText(std::string_view text) {
    if (!discarded() && !text.empty()) emit(text);
}

}  // namespace lumivex
