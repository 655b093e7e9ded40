#include "cli/command_line.h"

#include <charconv>
#include <cstring>
#include <optional>

#include "cli/preview_options.h"
#include "lumivex_version.h"

namespace lumivex::cli {

const char kUsage[] =
    "Usage: lumivex COMMAND [OPTIONS] PHOTO...\n"
    "Edit the thumbnail embedded in the Exif data of JPEG photos.\n"
    "\n"
    "Commands:\n"
    "  replace PHOTO THUMB      put the JPEG file THUMB in place of PHOTO's thumbnail\n"
    "  replace -t THUMB PHOTO...\n"
    "                           the same for each PHOTO\n"
    "  delete PHOTO...          remove the thumbnail of each PHOTO\n"
    "  export PHOTO OUT...      write PHOTO's thumbnail to OUT ('-' for standard output);\n"
    "                           more PHOTO OUT pairs may follow\n"
    "  info PHOTO...            show what each PHOTO's Exif data says; changes nothing\n"
    "  regenerate PHOTO...      make a new thumbnail from each PHOTO's own pixels\n"
    "  check PHOTO...           say whether each PHOTO's thumbnail still shows the photo\n"
    "                           (fresh, stale or none); exit status 1 when any is stale\n"
    "\n"
    "Every edit keeps every Exif field, keeps the first version of the photo as\n"
    "PHOTO.orig (an existing PHOTO.orig is never replaced) and gives the new file the\n"
    "old one's permissions and modification time. A file named twice is edited once.\n"
    "\n"
    "Options:\n"
    "  -t, --thumbnail THUMB    (replace) the new thumbnail for every PHOTO\n"
    "      --minimal-exif       (replace) do exactly what the window does: a photo whose\n"
    "                           thumbnail is not last in its Exif block gets a minimal\n"
    "                           block, and its other Exif fields are lost\n"
    "      --force              (export, check --sheet) replace an OUT or a sheet FILE\n"
    "                           that exists already (the link itself, for a link)\n"
    "      --no-backup          (edits) keep no PHOTO.orig; the new file replaces the\n"
    "                           photo in one step once it is complete and on disk\n"
    "  -n, --dry-run            say for every photo what would happen; write nothing\n"
    "      --size WxH           (regenerate) the box the new thumbnail fits in (160x120)\n"
    "      --quality Q          (regenerate) the JPEG quality to start from, 1-100 (85)\n"
    "      --sheet FILE         (check) write a contact sheet of the stale photos\n"
    "      --previews WHICH     (regenerate, delete) the copies of the picture to rebuild\n"
    "                           or remove: all, stale, or kinds among exif, mpf,\n"
    "                           makernote, photoshop, xmp, jfxx (regenerate: all;\n"
    "                           delete: exif)\n"
    "      --preview KIND[:N]   (export) write that copy of the picture instead of the\n"
    "                           Exif thumbnail\n"
    "  -r, --recursive          take folders too and walk them; a file is taken when its\n"
    "                           content starts as a JPEG, whatever its name; backups\n"
    "                           (*.orig) and the tool's temporary files are never taken\n"
    "      --follow             follow symbolic links in the walk (each folder once)\n"
    "  -j, --jobs N             photos handled at once (default: one per core); output\n"
    "                           stays in the order of the photos\n"
    "      --json               one JSON object per photo per line on standard output:\n"
    "                           path, operation, outcome, message, route, size_before,\n"
    "                           size_after (info: the facts, or an error object)\n"
    "  -q, --quiet              no progress line, no summary, no notes\n"
    "  -h, --help               show this help and exit\n"
    "  -V, --version            show the version and exit\n"
    "\n"
    "On a terminal a progress line is shown on standard error for runs longer than a\n"
    "second, and a summary ends every run of more than one photo. Ctrl-C lets the\n"
    "photos in progress finish, starts no new one and prints the summary.\n"
    "\n"
    "Outcomes: done, nothing to do, refused (nothing written: not safe or does not fit),\n"
    "failed (the photo keeps its original bytes).\n"
    "Exit status: 0 when every photo was done or had nothing to do, 1 when any was\n"
    "refused or failed, 2 for a usage error, 130 when interrupted.\n";

const char kVersion[] = "lumivex " LUMIVEX_VERSION_TEXT "\n";

bool isEdit(const std::string& command) {
    return command == "replace" || command == "delete" || command == "regenerate";
}

namespace {

const char* const kCommands[] = {"replace", "delete", "export", "info", "regenerate", "check"};

bool isCommand(const std::string& word) {
    for (const char* command : kCommands) {
        if (word == command) return true;
    }
    return false;
}

std::optional<int> parseNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

// Reads the options one by one; long options take "--name value" or "--name=value", short ones may be
// bundled ("-rn") and take their value attached or next ("-j4", "-j 4").
class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    ParseResult run() {
        bool optionsDone = false;
        std::vector<std::string> words;
        for (i_ = 0; i_ < args_.size(); ++i_) {
            const std::string& arg = args_[i_];
            if (!optionsDone && arg == "--") {
                optionsDone = true;
            } else if (!optionsDone && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
                if (!longOption(arg)) break;
            } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
                if (!shortOptions(arg)) break;
            } else {
                words.push_back(arg);
            }
            if (result_.status != ParseStatus::Run) return result_;
        }
        if (!result_.problem.empty()) return fail(result_.problem);
        if (words.empty()) return fail("no command given");
        CommandLine& line = result_.line;
        line.command = words[0];
        if (!isCommand(line.command)) return fail("unknown command '" + line.command + "'");
        line.operands.assign(words.begin() + 1, words.end());
        return check();
    }

  private:
    ParseResult fail(std::string problem) {
        result_.status = ParseStatus::UsageError;
        result_.problem = std::move(problem);
        return result_;
    }

    // The value of an option: attached ("--jobs=4", "-j4") or the next argument.
    std::optional<std::string> value(const std::string& name, std::optional<std::string> attached) {
        if (attached) return attached;
        if (i_ + 1 >= args_.size()) {
            result_.problem = name + " takes a value";
            return std::nullopt;
        }
        return args_[++i_];
    }

    bool setJobs(const std::string& text) {
        const auto jobs = parseNumber(text, 1, 1024);
        if (!jobs) {
            result_.problem = "-j takes a number of workers from 1 to 1024";
            return false;
        }
        result_.line.jobs = static_cast<unsigned>(*jobs);
        return true;
    }

    bool setSize(const std::string& text) {
        const size_t x = text.find_first_of("xX");
        const auto w =
            x == std::string::npos ? std::nullopt : parseNumber(std::string_view(text).substr(0, x), 1, 1024);
        const auto h =
            x == std::string::npos ? std::nullopt : parseNumber(std::string_view(text).substr(x + 1), 1, 1024);
        if (!w || !h) {
            result_.problem = "--size takes WIDTHxHEIGHT, for example 160x120";
            return false;
        }
        result_.line.thumbWidth = *w;
        result_.line.thumbHeight = *h;
        return true;
    }

    bool longOption(const std::string& arg) {
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        std::optional<std::string> attached;
        if (eq != std::string::npos) attached = arg.substr(eq + 1);
        CommandLine& line = result_.line;
        bool* flag = nullptr;
        if (name == "--minimal-exif") flag = &line.minimalExif;
        if (name == "--force") flag = &line.force;
        if (name == "--no-backup") flag = &line.noBackup;
        if (name == "--dry-run") flag = &line.dryRun;
        if (name == "--json") flag = &line.json;
        if (name == "--recursive") flag = &line.recursive;
        if (name == "--follow") flag = &line.follow;
        if (name == "--quiet") flag = &line.quiet;
        if (flag != nullptr) {
            if (attached) {
                result_.problem = name + " takes no value";
                return false;
            }
            *flag = true;
            return true;
        }
        if (name == "--help" || name == "--version") {
            result_.status = name == "--help" ? ParseStatus::Help : ParseStatus::Version;
            return true;
        }
        if (name == "--previews" || name == "--preview") {
            const auto text = value(name, attached);
            return text && setPreviewOption(name, *text, line, result_.problem);
        }
        if (name == "--thumbnail" || name == "--jobs" || name == "--size" || name == "--quality" || name == "--sheet") {
            const auto text = value(name, attached);
            if (!text) return false;
            if (name == "--thumbnail") line.thumbnail = *text;
            if (name == "--sheet") line.sheet = *text;
            if (name == "--jobs") return setJobs(*text);
            if (name == "--size") return setSize(*text);
            if (name == "--quality") {
                const auto quality = parseNumber(*text, 1, 100);
                if (!quality) {
                    result_.problem = "--quality takes a number from 1 to 100";
                    return false;
                }
                line.quality = *quality;
            }
            return true;
        }
        result_.problem = "unknown option '" + name + "'";
        return false;
    }

    bool shortOptions(const std::string& arg) {
        CommandLine& line = result_.line;
        for (size_t k = 1; k < arg.size(); ++k) {
            const char c = arg[k];
            if (c == 'h' || c == 'V') {
                result_.status = c == 'h' ? ParseStatus::Help : ParseStatus::Version;
                return true;
            }
            if (c == 'n' || c == 'r' || c == 'q') {
                (c == 'n' ? line.dryRun : c == 'r' ? line.recursive : line.quiet) = true;
                continue;
            }
            if (c == 't' || c == 'j') {
                std::optional<std::string> attached;
                if (k + 1 < arg.size()) attached = arg.substr(k + 1);
                const auto text = value(std::string("-") + c, attached);
                if (!text) return false;
                if (c == 't') line.thumbnail = *text;
                return c == 'j' ? setJobs(*text) : true;
            }
            result_.problem = std::string("unknown option '-") + c + "'";
            return false;
        }
        return true;
    }

    // Which options and operands each command takes.
    ParseResult check() {
        CommandLine& line = result_.line;
        const std::string& command = line.command;
        auto only = [&](bool given, const char* option, bool allowed, const char* commands) {
            if (given && !allowed) result_.problem = std::string(option) + " applies to " + commands + " only";
        };
        only(!line.thumbnail.empty(), "-t", command == "replace", "replace");
        only(line.minimalExif, "--minimal-exif", command == "replace", "replace");
        only(line.force, "--force", command == "export" || (command == "check" && !line.sheet.empty()),
             "export and check --sheet");
        only(line.noBackup, "--no-backup", isEdit(command), "replace, delete and regenerate");
        only(line.dryRun, "--dry-run", isEdit(command) || command == "export",
             "replace, delete, regenerate and export");
        only(line.thumbWidth != 160 || line.thumbHeight != 120, "--size", command == "regenerate", "regenerate");
        only(line.quality != 85, "--quality", command == "regenerate", "regenerate");
        only(!line.sheet.empty(), "--sheet", command == "check", "check");
        only(!line.previews.empty(), "--previews", command == "regenerate" || command == "delete",
             "regenerate and delete");
        only(!line.preview.empty(), "--preview", command == "export", "export");
        only(line.recursive, "-r", command != "export", "the commands other than export");
        only(line.follow && !line.recursive, "--follow", false, "walks (-r)");
        if (!result_.problem.empty()) return fail(result_.problem);

        std::vector<std::string>& operands = line.operands;
        if (command == "replace" && line.thumbnail.empty()) {
            if (operands.size() != 2 || line.recursive)
                return fail("replace takes PHOTO and THUMB, or -t THUMB PHOTO...");
            line.thumbnail = operands[1];
            operands.pop_back();
        }
        if (command == "export") {
            if (operands.empty() || operands.size() % 2 != 0) return fail("export takes PHOTO and OUT pairs");
            bool toStdout = false;
            for (size_t k = 1; k < operands.size(); k += 2) toStdout = toStdout || operands[k] == "-";
            if (toStdout && line.json) return fail("--json cannot share standard output with a thumbnail ('-')");
        }
        if (operands.empty()) return fail(command + " takes at least one PHOTO");
        result_.status = ParseStatus::Run;
        return result_;
    }

    const std::vector<std::string>& args_;
    size_t i_ = 0;
    ParseResult result_{ParseStatus::Run, {}, {}};
};

}  // namespace

ParseResult parseCommandLine(const std::vector<std::string>& args) { return Parser(args).run(); }

}  // namespace lumivex::cli
