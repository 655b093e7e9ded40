#include "cli/command_line.h"

#include <charconv>
#include <cstring>
#include <optional>

#include "cli/option_table.h"
#include "cli/preview_options.h"
#include "lumivex_version.h"

namespace lumivex::cli {

const char kVersion[] = "lumivex " LUMIVEX_VERSION "\n";  // the package's own version

bool linksAllowed(const CommandLine& line, const std::string& path) {
    if (line.follow) return true;
    for (const std::string& operand : line.operands) {
        if (operand == path) return true;
    }
    return false;
}

bool isEdit(const std::string& command) {
    return command == "replace" || command == "delete" || command == "regenerate";
}

namespace {

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
        const OptionSpec* option = findLongOption(name);
        if (option == nullptr) {
            result_.problem = "unknown option '" + name + "'";
            return false;
        }
        std::optional<std::string> attached;
        if (eq != std::string::npos) attached = arg.substr(eq + 1);
        if (option->argument.empty() && attached) {
            result_.problem = name + " takes no value";
            return false;
        }
        return take(*option, name, attached);
    }

    bool shortOptions(const std::string& arg) {
        for (size_t k = 1; k < arg.size(); ++k) {
            const OptionSpec* option = findShortOption(arg[k]);
            const std::string name = std::string("-") + arg[k];
            if (option == nullptr) {
                result_.problem = "unknown option '" + name + "'";
                return false;
            }
            if (option->argument.empty()) {
                if (!take(*option, name, std::nullopt)) return false;
                if (result_.status != ParseStatus::Run) return true;
                continue;
            }
            // The rest of the word is the value ("-j4"), or else the next argument.
            std::optional<std::string> attached;
            if (k + 1 < arg.size()) attached = arg.substr(k + 1);
            return take(*option, name, attached);
        }
        return true;
    }

    // One option as given, `name` as the user wrote it, with its value read where it takes one.
    bool take(const OptionSpec& option, const std::string& name, std::optional<std::string> attached) {
        given_.push_back({&option, name});
        CommandLine& line = result_.line;
        std::string text;
        if (!option.argument.empty()) {
            const auto read = value(name, attached);
            if (!read) return false;
            text = *read;
        }
        switch (option.id) {
            case Option::Thumbnail:
                line.thumbnail = text;
                return true;
            case Option::Output:
                line.output = text;
                return true;
            case Option::Sheet:
                line.sheet = text;
                return true;
            case Option::Jobs:
                return setJobs(text);
            case Option::Size:
                return setSize(text);
            case Option::Quality: {
                const auto quality = parseNumber(text, 1, 100);
                if (!quality) {
                    result_.problem = "--quality takes a number from 1 to 100";
                    return false;
                }
                line.quality = *quality;
                return true;
            }
            case Option::Previews:
            case Option::Preview:
                return setPreviewOption(std::string(option.longName), text, line, result_.problem);
            case Option::MinimalExif:
                return line.minimalExif = true;
            case Option::Force:
                return line.force = true;
            case Option::NoBackup:
                return line.noBackup = true;
            case Option::DryRun:
                return line.dryRun = true;
            case Option::Recursive:
                return line.recursive = true;
            case Option::Follow:
                return line.follow = true;
            case Option::InPlace:
                return line.inPlace = true;
            case Option::Json:
                return line.json = true;
            case Option::Quiet:
                return line.quiet = true;
            case Option::Help:
                result_.status = ParseStatus::Help;
                return true;
            case Option::Version:
                result_.status = ParseStatus::Version;
                return true;
            case Option::ListOptions:
                result_.status = ParseStatus::ListOptions;
                return true;
        }
        return true;
    }

    // Which options and operands each command takes.
    ParseResult check() {
        CommandLine& line = result_.line;
        const std::string& command = line.command;
        // Options whose use depends on another option first, then the commands each option is for.
        if (line.force && command != "export" && line.output.empty() && !(command == "check" && !line.sheet.empty()))
            return fail("--force applies to export, -o and check --sheet only");
        if (line.recursive && command == "export" && line.output.empty())
            return fail("-r applies to export only with -o");
        if (line.follow && !line.recursive) return fail("--follow applies to walks (-r) only");
        for (const auto& [option, name] : given_) {
            if (!optionAppliesTo(*option, command)) return fail(name + " applies to " + commandsOf(*option) + " only");
        }
        if (line.inPlace && line.noBackup) result_.problem = "--in-place keeps a full copy first: not with --no-backup";
        if (!result_.problem.empty()) return fail(result_.problem);

        std::vector<std::string>& operands = line.operands;
        if (command == "replace" && line.thumbnail.empty()) {
            if (operands.size() != 2 || line.recursive)
                return fail("replace takes PHOTO and THUMB, or -t THUMB PHOTO...");
            line.thumbnail = operands[1];
            operands.pop_back();
        }
        if (command == "export" && line.output.empty()) {
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
    std::vector<std::pair<const OptionSpec*, std::string>> given_;
    ParseResult result_{ParseStatus::Run, {}, {}};
};

}  // namespace

ParseResult parseCommandLine(const std::vector<std::string>& args) { return Parser(args).run(); }

}  // namespace lumivex::cli
