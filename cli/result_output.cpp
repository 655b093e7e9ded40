#include "cli/result_output.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "cli/json_text.h"
#include "cli/terminal_text.h"

namespace lumivex::cli {

void writeText(std::FILE* stream, const std::string& text) {
    if (text.empty()) return;
    std::fwrite(text.data(), 1, text.size(), stream);
}

namespace {
std::string jsonOrNull(const std::string& text) { return text.empty() ? "null" : jsonStringFromBytes(text); }
}  // namespace

PhotoResult toolResult(const std::string& path, const std::string& operation, const char* outcome,
                       std::string message) {
    PhotoResult result;
    result.path = path;
    result.operation = operation;
    result.outcome = outcome;
    result.failed = result.outcome == "failed" || result.outcome == "refused";
    result.message = std::move(message);
    return result;
}

std::string resultJson(const PhotoResult& r) {
    JsonLine json;
    json.members(jsonPathMembers(r.path)).text("operation", r.operation).text("outcome", r.outcome);
    json.text("message", r.message).raw("route", jsonOrNull(r.route));
    json.raw("size_before", std::to_string(r.sizeBefore)).raw("size_after", std::to_string(r.sizeAfter));
    if (r.dryRun) json.raw("dry_run", "true");
    return json.finish();
}

std::string messageFromReports(const std::string& reports) {
    std::string message;
    size_t start = 0;
    while (start < reports.size()) {
        size_t end = reports.find('\n', start);
        if (end == std::string::npos) end = reports.size();
        std::string line = reports.substr(start, end - start);
        start = end + 1;
        for (const char* prefix : {"Nonfatal Error : ", "Error : "}) {
            const std::string p = prefix;
            if (line.compare(0, p.size(), p) == 0) line.erase(0, p.size());
        }
        if (line.empty() || line.compare(0, 9, "in file '") == 0) continue;
        if (!message.empty()) message += "; ";
        message += line;
    }
    return message;
}

namespace {

bool startsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::string resultLine(const PhotoResult& r) {
    std::string message = r.message;
    // The engine's message may end in the outcome's own words ("no thumbnail; nothing to do").
    if (endsWith(message, "; " + r.outcome)) message.resize(message.size() - r.outcome.size() - 2);
    if (message == r.outcome) message.clear();
    std::string line = terminalText(r.path) + ": ";
    if (r.dryRun) line += "dry run: ";
    // A dry run's message says what would happen ("would be removed"): "done" would contradict it.
    const bool sayOutcome = !(r.dryRun && startsWith(message, "would "));
    if (sayOutcome) line += r.outcome;
    if (!r.route.empty() && r.route != r.outcome && message.find(r.route) == std::string::npos)
        line += " (" + r.route + ")";
    if (!message.empty()) line += (sayOutcome ? ": " : "") + terminalText(message);
    return line + "\n";
}

std::vector<std::string> photoNotes(const PhotoResult& r) {
    std::vector<std::string> notes;
    const std::string named = "'" + r.path + "' ";
    size_t start = 0;
    while (start < r.reports.size()) {
        size_t end = r.reports.find('\n', start);
        if (end == std::string::npos) end = r.reports.size();
        std::string line = r.reports.substr(start, end - start);
        start = end + 1;
        for (const char* prefix : {"Nonfatal Error : ", "Error : "}) {
            if (startsWith(line, prefix)) line.erase(0, std::string_view(prefix).size());
        }
        if (startsWith(line, named)) line.erase(0, named.size());  // the photo's name leads every note already
        if (line.empty() || startsWith(line, "in file '")) continue;
        if (r.failed && r.message.find(line) != std::string::npos) continue;  // the failure line says it
        if (std::find(notes.begin(), notes.end(), line) == notes.end()) notes.push_back(std::move(line));
    }
    return notes;
}

void ResultPrinter::print(const PhotoResult& r) {
    auto write = [this](std::FILE* stream, const std::string& text) {
        if (text.empty()) return;
        if (beforeOutput_) beforeOutput_();
        cli::writeText(stream, text);
    };
    if (!options_.quiet || r.failed) {
        for (const std::string& note : photoNotes(r)) {
            write(stderr, "lumivex: " + terminalText(r.path) + ": " + terminalText(note) + "\n");
        }
    }
    std::fflush(stderr);
    if (options_.json) {
        const std::string line = (r.json.empty() ? resultJson(r) : r.json) + "\n";
        write(options_.out, line);
        std::fflush(options_.out);
        return;
    }
    if (!r.text.empty()) {
        if (textShown_) write(options_.out, "\n");
        write(options_.out, r.text);
        textShown_ = true;
    } else if (r.failed && !r.answer && !r.dryRun) {
        write(stderr, "lumivex: " + terminalText(r.path) + ": " + terminalText(r.message) + "\n");
    } else if (r.answer || r.dryRun || !options_.quiet) {
        write(options_.out, resultLine(r));
    }
    std::fflush(options_.out);
    std::fflush(stderr);
}

}  // namespace lumivex::cli
