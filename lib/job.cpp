// The tool's jobs one photo at a time, for runners that spread a folder over many processes or machines:
// the same command line, photo list and JSON line per photo as the tool itself.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "cli/command_line.h"
#include "cli/photo_jobs.h"
#include "cli/photo_list.h"
#include "cli/result_output.h"
#include "cli/thumbnail_jobs.h"
#include "lib/c_status.h"
#include "lumivex/lumivex.h"

using namespace lumivex;
using namespace lumivex::lib;

struct lvx_job {
    cli::CommandLine line;
    cli::PhotoJob run;
    bool listed = false;
    std::vector<cli::PhotoTask> tasks;
    std::vector<std::optional<std::string>> readyLines;
};

namespace {

std::optional<cli::PhotoJob> jobFor(const cli::CommandLine& line) {
    if (line.command == "replace" || line.command == "delete" || line.command == "export") return cli::editJob(line);
    if (line.command == "info") return cli::infoJob(line);
    if (line.command == "regenerate") return cli::regenerateJob(line);
    if (line.command == "check") return cli::checkJob(line, nullptr);  // no contact sheet across machines
    return std::nullopt;
}

char* copyString(const std::string& text) {
    char* out = static_cast<char*>(std::malloc(text.size() + 1));
    if (out == nullptr) throw std::bad_alloc();
    std::memcpy(out, text.c_str(), text.size() + 1);
    return out;
}

std::string lineOf(const cli::PhotoResult& result) {
    return result.json.empty() ? cli::resultJson(result) : result.json;
}

}  // namespace

extern "C" {

int lvx_job_new(const char* const* args, size_t count, lvx_job** job, lvx_status* status) {
    return guarded(status, [&] {
        if (job == nullptr || (args == nullptr && count > 0)) return argumentError("no arguments given");
        *job = nullptr;
        std::vector<std::string> words;
        for (size_t i = 0; i < count; ++i) {
            if (args[i] == nullptr) return argumentError("a NULL argument");
            words.emplace_back(args[i]);
        }
        const cli::ParseResult parsed = cli::parseCommandLine(words);
        if (parsed.status != cli::ParseStatus::Run) {
            return argumentError(parsed.problem.empty() ? "the command line asks for no work" : parsed.problem);
        }
        if (!parsed.line.sheet.empty()) return argumentError("--sheet is only for the tool itself");
        auto made = std::make_unique<lvx_job>();
        made->line = parsed.line;
        made->line.json = true;  // the job's results are JSON lines
        std::optional<cli::PhotoJob> run = jobFor(made->line);
        if (!run) return argumentError(made->line.command + " is not available in this build");
        made->run = std::move(*run);
        routeDriverMessages();
        *job = made.release();
        return Outcome{};
    });
}

void lvx_job_free(lvx_job* job) { delete job; }

int lvx_job_list(lvx_job* job, size_t* count, lvx_status* status) {
    return guarded(status, [&] {
        if (job == nullptr || count == nullptr) return argumentError("no job given");
        if (!job->listed) {
            job->tasks = cli::collectPhotos(job->line).tasks;
            for (const cli::PhotoTask& task : job->tasks) {
                job->readyLines.push_back(task.ready ? std::optional(lineOf(*task.ready)) : std::nullopt);
            }
            job->listed = true;
        }
        *count = job->tasks.size();
        return Outcome{};
    });
}

int lvx_job_photo_at(const lvx_job* job, size_t index, lvx_job_photo* photo) {
    if (job == nullptr || photo == nullptr || index >= job->tasks.size()) return LVX_E_ARGUMENT;
    const cli::PhotoTask& task = job->tasks[index];
    *photo = {task.path.c_str(), task.output.c_str(),
              job->readyLines[index] ? job->readyLines[index]->c_str() : nullptr};
    return LVX_OK;
}

int lvx_job_run(const lvx_job* job, const char* path, const char* output, char** jsonLine, int* failed,
                lvx_status* status) {
    return guarded(status, [&] {
        if (job == nullptr || path == nullptr || jsonLine == nullptr) return argumentError("no job or photo given");
        *jsonLine = nullptr;
        const cli::PhotoResult result = job->run(path, output == nullptr ? "" : output);
        *jsonLine = copyString(lineOf(result));
        if (failed != nullptr) *failed = result.failed ? 1 : 0;
        Outcome outcome;
        outcome.outcome = result.outcome;
        outcome.message = result.message;
        outcome.route = result.route;
        return outcome;
    });
}

}  // extern "C"
