#include "cli/result_output.h"

#include <cstdio>

#include "cli/json_text.h"

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
    std::string json =
        "{\"path\": " + jsonStringFromBytes(r.path) + ", \"operation\": " + jsonStringFromBytes(r.operation) +
        ", \"outcome\": " + jsonStringFromBytes(r.outcome) + ", \"message\": " + jsonStringFromBytes(r.message) +
        ", \"route\": " + jsonOrNull(r.route) + ", \"size_before\": " + std::to_string(r.sizeBefore) +
        ", \"size_after\": " + std::to_string(r.sizeAfter);
    if (r.dryRun) json += ", \"dry_run\": true";
    return json + "}";
}

std::string oneLineJson(const std::string& json) {
    std::string out;
    out.reserve(json.size());
    for (size_t i = 0; i < json.size(); ++i) {
        if (json[i] != '\n') {
            out += json[i];
            continue;
        }
        while (i + 1 < json.size() && json[i + 1] == ' ') ++i;
    }
    return out;
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

void ResultPrinter::print(const PhotoResult& r) {
    auto write = [this](std::FILE* stream, const std::string& text) {
        if (text.empty()) return;
        if (beforeOutput_) beforeOutput_();
        cli::writeText(stream, text);
    };
    write(stderr, r.reports);
    std::fflush(stderr);
    if (options_.json) {
        const std::string line = (r.json.empty() ? resultJson(r) : r.json) + "\n";
        write(options_.out, line);
        std::fflush(options_.out);
        return;
    }
    // The message goes out unless the engine's reports have said it already.
    const bool unsaid = !r.message.empty() && r.reports.find(r.message) == std::string::npos;
    if (!r.text.empty()) {
        if (textShown_) write(options_.out, "\n");
        write(options_.out, r.text);
        textShown_ = true;
    }
    if (r.dryRun) {
        std::string line = r.path + ": dry run: " + r.outcome;
        if (!r.route.empty()) line += " (" + r.route + ")";
        if (!r.message.empty()) line += ": " + r.message;
        write(options_.out, line + "\n");
    } else if (r.failed && unsaid) {
        write(stderr, "lumivex: " + r.path + ": " + r.message + "\n");
    } else if (!r.failed && r.outcome != "done" && unsaid && !options_.quiet) {
        write(options_.out, r.path + ": " + r.outcome + ": " + r.message + "\n");
    }
    std::fflush(options_.out);
    std::fflush(stderr);
}

}  // namespace lumivex::cli
