// lumivex: the thumbnail edits from the command line, one process for one photo or a whole library.
#include <fmt/format.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/backup_jobs.h"
#include "cli/batch_runner.h"
#include "cli/command_line.h"
#include "cli/contact_sheet.h"
#include "cli/file_system.h"
#include "cli/heap.h"
#include "cli/interrupt.h"
#include "cli/option_table.h"
#include "cli/output_pattern.h"
#include "cli/photo_jobs.h"
#include "cli/photo_list.h"
#include "cli/progress_line.h"
#include "cli/result_output.h"
#include "cli/thumbnail_jobs.h"
#include "lumivex/driver_messages.h"
#include "lumivex/report_sink.h"

namespace {

using namespace lumivex::cli;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;  // as a shell reports a program ended by SIGINT

int usageError(const std::string& problem) {
    std::fprintf(stderr, "lumivex: %s\nTry 'lumivex --help' for more information.\n", problem.c_str());
    return kExitUsage;
}

// The job of each command; every one gets the same batch behaviour: workers, output in order, --json
// lines, progress, summary, Ctrl-C.
std::optional<PhotoJob> jobFor(const CommandLine& line, const std::shared_ptr<StaleSheet>& sheet) {
    if (isEdit(line.command) && !line.output.empty()) {
        // The edit goes to a copy named from -o; the task's output holds that name.
        CommandLine copy = line;
        copy.output.clear();
        copy.noBackup = true;  // the photo itself is the backup
        copy.force = false;
        const std::optional<PhotoJob> edit = jobFor(copy, sheet);
        if (!edit) return std::nullopt;
        return [edit = *edit, line](const std::string& photo, const std::string& output) {
            return editCopy(edit, line.command, photo, output, line.force, line.dryRun);
        };
    }
    if ((line.command == "export" && !line.preview.empty()) || (line.command == "delete" && !line.previews.empty())) {
        return previewJob(line);
    }
    if (line.command == "replace" || line.command == "delete" || line.command == "export") return editJob(line);
    if (line.command == "info") return infoJob(line);
    if (line.command == "restore") return restoreJob(line);
    if (line.command == "drop-backup") return dropBackupJob(line);
    if (line.command == "regenerate") return regenerateJob(line);
    if (line.command == "check") return checkJob(line, sheet);
    return std::nullopt;
}

bool thumbnailToStandardOutput(const CommandLine& line) {
    for (size_t i = 1; line.command == "export" && i < line.operands.size(); i += 2) {
        if (line.operands[i] == "-") return true;
    }
    return false;
}

// Where the results go: standard output, unless a thumbnail goes there; then it carries image bytes only
// (--json is refused with '-').
std::FILE* resultStream(const CommandLine& line) {
    if (thumbnailToStandardOutput(line)) return stderr;
    return line.json ? takeStandardOutput() : stdout;
}

unsigned workerCount(const CommandLine& line) {
    // A thumbnail written to standard output must come out whole and in order: one worker.
    if (thumbnailToStandardOutput(line)) return 1;
    if (line.jobs > 0) return line.jobs;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

// Each photo's output from the -o pattern; a name that two photos would share is refused for the later one.
void nameOutputs(PhotoList& list, const CommandLine& line) {
    std::set<std::string> taken;
    for (PhotoTask& task : list.tasks) {
        if (task.ready) continue;
        task.output = outputFor(line.output, task.path, line.command == "export");
        const char* problem = task.output.empty()                 ? "-o: the pattern has an unknown % code"
                              : task.output == task.path          ? "-o names the photo itself"
                              : !taken.insert(task.output).second ? "-o gives the name of an earlier photo's output"
                                                                  : nullptr;
        if (problem)
            task.ready = toolResult(task.path, line.command, "refused", problem + (" ('" + task.output + "')"));
    }
}

void printSummary(const BatchTally& tally, const PhotoList& list) {
    std::string text = "lumivex: " + std::to_string(tally.handled) + (tally.handled == 1 ? " photo" : " photos");
    text += fmt::format(" in {:.2f} s", tally.seconds);
    for (size_t i = 0; i < tally.outcomes.size(); ++i) {
        text += (i == 0 ? ": " : ", ") + std::to_string(tally.outcomes[i].second) + " " + tally.outcomes[i].first;
    }
    if (list.notJpeg > 0) text += "; " + std::to_string(list.notJpeg) + " files not JPEG left out";
    if (list.linksSkipped > 0) text += "; " + std::to_string(list.linksSkipped) + " links not followed";
    if (tally.interrupted) {
        text += "; interrupted: " + std::to_string(tally.total - tally.handled) + " photos not started";
    }
    std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const ParseResult parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.status == ParseStatus::Help) return std::fputs(usageText().c_str(), stdout), kExitOk;
    if (parsed.status == ParseStatus::ListOptions) return std::fputs(optionListText().c_str(), stdout), kExitOk;
    if (parsed.status == ParseStatus::Version) return std::fputs(kVersion, stdout), kExitOk;
    if (parsed.status == ParseStatus::UsageError) return usageError(parsed.problem);
    const CommandLine& line = parsed.line;

    // check --sheet writes its contact sheet once every photo has been looked at.
    const auto sheet = line.sheet.empty() ? nullptr : std::make_shared<StaleSheet>();
    if (sheet) {
        const std::string problem = sheetTargetProblem(line.sheet, line.force);
        if (!problem.empty()) return std::fprintf(stderr, "lumivex: contact sheet: %s\n", problem.c_str()), kExitFailed;
    }
    const std::optional<PhotoJob> job = jobFor(line, sheet);
    if (!job) return usageError(line.command + " is not available in this build");

    // The driver's boxes become report lines, so that each photo's come out together with its result.
    lumivex::setDriverMessageSink([](const char* text) { lumivex::reportLine(text); });
    catchInterrupts();
    // The file steps decode no image: their workers share one heap. Decoding workers keep one each.
    const std::set<std::string> fileSteps = {"replace", "delete", "export", "restore", "drop-backup"};
    if (fileSteps.count(line.command) > 0) shareOneHeap();

    PhotoList list = collectPhotos(line);
    if (!line.output.empty()) nameOutputs(list, line);
    ResultPrinter printer({line.command, resultStream(line), line.json, line.quiet});
    const bool progress = !line.quiet && stderrIsTerminal();
    const BatchTally tally = runBatch(list.tasks, *job, workerCount(line), printer, progress);

    bool sheetFailed = false;
    if (sheet) {
        const std::string error = writeContactSheet(line.sheet, sheet->entries, line.force);
        if (!error.empty()) std::fprintf(stderr, "lumivex: contact sheet: %s\n", error.c_str());
        sheetFailed = !error.empty();
    }
    if (!line.quiet && (tally.total > 1 || line.recursive || tally.interrupted)) printSummary(tally, list);
    if (tally.interrupted) return kExitInterrupted;
    return tally.anyFailed || sheetFailed ? kExitFailed : kExitOk;
}
