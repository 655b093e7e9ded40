// How a photo's result is printed: its engine reports on standard error with it, then either one JSON
// object on one line or the lines for a person; and the summary at the end of a run.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/photo_result.h"

namespace lumivex::cli {

struct OutputOptions {
    std::string operation;
    std::FILE* out = stdout;  // where the results for a person or the JSON lines go
    bool json = false;
    bool quiet = false;
};

class ResultPrinter {
  public:
    explicit ResultPrinter(OutputOptions options) : options_(std::move(options)) {}
    const std::string& operation() const { return options_.operation; }
    void print(const PhotoResult& result);
    // Called before anything is written, so that a progress line can make room.
    void setBeforeOutput(std::function<void()> hook) { beforeOutput_ = std::move(hook); }

  private:
    OutputOptions options_;
    std::function<void()> beforeOutput_;
    bool textShown_ = false;  // a blank line goes between the facts of two photos
};

// Writes all of the text to the stream.
void writeText(std::FILE* stream, const std::string& text);

// {"path": ..., "operation": ..., "outcome": ..., "message": ..., "route": ..., "size_before": ...,
// "size_after": ...} on one line, whatever the path's bytes.
std::string resultJson(const PhotoResult& result);

// The line for a person: "PATH: outcome (route): message", with "dry run: " after the name for a dry run;
// words that would repeat or contradict the outcome left out, control characters escaped.
std::string resultLine(const PhotoResult& result);

// The photo's notes from the engine's reports, each once, without the "Nonfatal Error : " head or the
// photo's quoted name; the lines that the failure's own message holds left out.
std::vector<std::string> photoNotes(const PhotoResult& result);

// The engine's reports in one line for a result's message: "Error : " and "in file" lines left out.
std::string messageFromReports(const std::string& reports);

}  // namespace lumivex::cli
