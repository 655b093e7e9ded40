// What one photo's job gives back to the batch runner, for output in the photos' order and for the summary.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace lumivex::cli {

struct PhotoResult {
    std::string path;
    std::string operation;  // the command: "replace", "delete", "export", "info", ...
    std::string outcome;    // "done", "nothing to do", "refused", "failed", or a command's own verdict
    bool failed = false;    // counts toward exit status 1
    bool answer = false;    // the outcome is the command's answer (check's verdict): it goes to standard output
                            // even when it counts toward exit status 1
    std::string message;    // one line for a person
    std::string route;      // replace: which way the thumbnail went in
    std::string reports;    // the engine's report lines, printed to standard error with the result
    std::string text;       // what the command prints on standard output for a person (info's facts)
    std::string json;       // a command's own JSON object on one line (info, check); empty: built from the fields
    uint64_t sizeBefore = 0;
    uint64_t sizeAfter = 0;
    bool dryRun = false;  // nothing was written: the outcome is what would have happened
};

// The work done for one photo; `output` is the export's OUT, empty otherwise. Runs on a worker thread: it
// may use the engine (whose records are per thread) and must not print.
using PhotoJob = std::function<PhotoResult(const std::string& photo, const std::string& output)>;

// A result decided by the tool before any work, with the usual fields filled in.
PhotoResult toolResult(const std::string& path, const std::string& operation, const char* outcome, std::string message);

}  // namespace lumivex::cli
