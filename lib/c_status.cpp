#include "lib/c_status.h"

#include <cstdio>
#include <exception>
#include <new>

#include "cli/result_output.h"
#include "lumivex/report_sink.h"

namespace lumivex::lib {

namespace {

// Truncates at a UTF-8 character's start, so that a long message stays valid text.
void copyText(char* out, size_t room, const std::string& text) {
    size_t n = text.size() < room ? text.size() : room - 1;
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    text.copy(out, n);
    out[n] = '\0';
}

}  // namespace

Outcome argumentError(std::string message) {
    Outcome outcome;
    outcome.code = LVX_E_ARGUMENT;
    outcome.outcome = "failed";
    outcome.message = std::move(message);
    return outcome;
}

int report(lvx_status* status, const Outcome& outcome) {
    if (status != nullptr) {
        status->code = outcome.code;
        status->changed = outcome.changed ? 1 : 0;
        copyText(status->outcome, sizeof status->outcome, outcome.outcome.empty() ? "done" : outcome.outcome);
        copyText(status->route, sizeof status->route, outcome.route);
        copyText(status->message, sizeof status->message, outcome.message);
    }
    return outcome.code;
}

int guarded(lvx_status* status, const std::function<Outcome()>& call) {
    Outcome outcome;
    std::string reports;
    try {
        // The engine's reports belong to this call's result, never to the host's standard error.
        ScopedReportSink collect([&reports](std::string_view text) { reports.append(text); });
        outcome = call();
    } catch (const std::bad_alloc&) {
        outcome.code = LVX_E_MEMORY;
        outcome.message = "out of memory";
    } catch (const FatalError& error) {
        outcome.code = LVX_E_FAILED;
        outcome.message = error.message;
    } catch (const std::exception& error) {
        outcome.code = LVX_E_INTERNAL;
        outcome.message = error.what();
    } catch (...) {
        outcome.code = LVX_E_INTERNAL;
        outcome.message = "unknown fault";
    }
    if (outcome.code != LVX_OK && outcome.outcome.empty()) outcome.outcome = "failed";
    if (outcome.code != LVX_OK && outcome.message.empty()) outcome.message = cli::messageFromReports(reports);
    try {
        return report(status, outcome);
    } catch (...) {
        return outcome.code;
    }
}

}  // namespace lumivex::lib
