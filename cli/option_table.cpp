#include "cli/option_table.h"

#include <fmt/format.h>

#include <iterator>
#include <vector>

namespace lumivex::cli {

namespace {

constexpr std::string_view kEdits = "replace delete regenerate";

constexpr OptionSpec kOptions[] = {
    {Option::Thumbnail, 't', "--thumbnail", "THUMB", OptionValue::File, "replace",
     "(replace) the new thumbnail for every PHOTO"},
    {Option::MinimalExif, '\0', "--minimal-exif", "", OptionValue::None, "replace",
     "(replace) do exactly what the window does: a photo whose\n"
     "thumbnail is not last in its Exif block gets a minimal\n"
     "block, and its other Exif fields are lost"},
    {Option::Output, 'o', "--output", "PATTERN", OptionValue::File, "export replace delete regenerate",
     "(export, edits) where each result goes: export's OUT, or a\n"
     "new file for the edited photo, which stays untouched;\n"
     "%d the photo's folder, %f its name without extension,\n"
     "%e the extension; ending in / a folder (export:\n"
     "DIR/%f.thumb.jpg, edits: DIR/%f.%e)"},
    {Option::Force, '\0', "--force", "", OptionValue::None, "export replace delete regenerate check",
     "(export, -o, check --sheet) replace an OUT, an edited\n"
     "copy or a sheet FILE that exists already (the link\n"
     "itself, for a link)"},
    {Option::NoBackup, '\0', "--no-backup", "", OptionValue::None, kEdits,
     "(edits) keep no PHOTO.orig; the new file replaces the\n"
     "photo in one step once it is complete and on disk"},
    {Option::DryRun, 'n', "--dry-run", "", OptionValue::None, "replace delete regenerate export restore drop-backup",
     "say for every photo what would happen; write nothing"},
    {Option::Size, '\0', "--size", "WxH", OptionValue::Text, "regenerate",
     "(regenerate) the box the new thumbnail fits in (160x120)"},
    {Option::Quality, '\0', "--quality", "Q", OptionValue::Text, "regenerate",
     "(regenerate) the JPEG quality to start from, 1-100 (85)"},
    {Option::Sheet, '\0', "--sheet", "FILE", OptionValue::File, "check",
     "(check) write a contact sheet of the stale photos"},
    {Option::Previews, '\0', "--previews", "WHICH", OptionValue::Text, "regenerate delete",
     "(regenerate, delete) the copies of the picture to rebuild\n"
     "or remove: all, stale, or kinds among exif, mpf,\n"
     "makernote, photoshop, xmp, jfxx, trailer (regenerate:\n"
     "all; delete: exif)"},
    {Option::Preview, '\0', "--preview", "KIND[:N]", OptionValue::Text, "export",
     "(export) write that copy of the picture instead of the\n"
     "Exif thumbnail"},
    {Option::Recursive, 'r', "--recursive", "", OptionValue::None, "",
     "take folders too and walk them; a file is taken when its\n"
     "content starts as a JPEG, whatever its name; backups\n"
     "(*.orig) and the tool's temporary files are never taken"},
    {Option::Follow, '\0', "--follow", "", OptionValue::None, "",
     "follow symbolic links in the walk (each folder once)"},
    {Option::InPlace, '\0', "--in-place", "", OptionValue::None, kEdits,
     "(edits) rewrite a photo with hard links under every name,\n"
     "after a full copy as PHOTO.orig"},
    {Option::Jobs, 'j', "--jobs", "N", OptionValue::Text, "",
     "photos handled at once (default: one per core); output\n"
     "stays in the order of the photos"},
    {Option::Json, '\0', "--json", "", OptionValue::None, "",
     "one JSON object per photo per line on standard output:\n"
     "path, operation, outcome, message, route, size_before,\n"
     "size_after (info: the facts, or an error object)"},
    {Option::Quiet, 'q', "--quiet", "", OptionValue::None, "", "no progress line, no summary, no notes"},
    {Option::Help, 'h', "--help", "", OptionValue::None, "", "show this help and exit"},
    {Option::Version, 'V', "--version", "", OptionValue::None, "", "show the version and exit"},
    // For the completion and the manual page's check; not for people.
    {Option::ListOptions, '\0', "--list-options", "", OptionValue::None, "", ""},
};

constexpr CommandForm kCommands[] = {
    {"replace", "PHOTO THUMB", "put the JPEG file THUMB in place of PHOTO's thumbnail"},
    {"replace", "-t THUMB PHOTO...", "the same for each PHOTO"},
    {"delete", "PHOTO...", "remove the thumbnail of each PHOTO"},
    {"export", "PHOTO OUT...",
     "write PHOTO's thumbnail to OUT ('-' for standard output);\n"
     "more PHOTO OUT pairs may follow"},
    {"export", "-o PATTERN PHOTO...", "the same, OUT made from PATTERN for each PHOTO"},
    {"info", "PHOTO...", "show what each PHOTO's Exif data says; changes nothing"},
    {"regenerate", "PHOTO...", "make a new thumbnail from each PHOTO's own pixels"},
    {"check", "PHOTO...",
     "say whether each PHOTO's thumbnail still shows the photo\n"
     "(fresh, stale or none); exit status 1 when any is stale"},
    {"restore", "PHOTO...", "put PHOTO.orig back in place of PHOTO"},
    {"drop-backup", "PHOTO...",
     "remove PHOTO.orig once PHOTO is a good JPEG with the same\n"
     "image data"},
};

constexpr std::string_view kUsageHead =
    "Usage: lumivex COMMAND [OPTIONS] PHOTO...\n"
    "Edit the thumbnail embedded in the Exif data of JPEG photos.\n"
    "\n"
    "Commands:\n";

constexpr std::string_view kUsageMiddle =
    "\n"
    "Every edit keeps every Exif field, keeps the first version of the photo as\n"
    "PHOTO.orig (an existing PHOTO.orig is never replaced) and gives the new file the\n"
    "old one's permissions and modification time. A file named twice is edited once.\n"
    "\n"
    "Options:\n";

constexpr std::string_view kUsageTail =
    "\n"
    "On a terminal a progress line is shown on standard error for runs longer than a\n"
    "second, and a summary ends every run of more than one photo. Ctrl-C lets the\n"
    "photos in progress finish, starts no new one and prints the summary.\n"
    "\n"
    "Outcomes: done, nothing to do, refused (nothing written: not safe or does not fit),\n"
    "failed (the photo keeps its original bytes).\n"
    "Exit status: 0 when every photo was done or had nothing to do, 1 when any was\n"
    "refused or failed, 2 for a usage error, 130 when interrupted.\n";

// The column where the explanations start; a longer name takes a line of its own.
constexpr size_t kHelpColumn = 27;

void appendEntry(std::string& out, const std::string& name, std::string_view help) {
    out += name;
    if (name.size() + 2 <= kHelpColumn) {
        out.append(kHelpColumn - name.size(), ' ');
    } else {
        out += '\n';
        out.append(kHelpColumn, ' ');
    }
    for (char c : help) {
        out += c;
        if (c == '\n') out.append(kHelpColumn, ' ');
    }
    out += '\n';
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const size_t space = text.find(' ');
        if (space != 0) out.push_back(text.substr(0, space));
        if (space == std::string_view::npos) break;
        text.remove_prefix(space + 1);
    }
    return out;
}

}  // namespace

std::span<const OptionSpec> optionTable() { return kOptions; }
std::span<const CommandForm> commandTable() { return kCommands; }

const OptionSpec* findLongOption(std::string_view name) {
    for (const OptionSpec& option : kOptions) {
        if (option.longName == name) return &option;
    }
    return nullptr;
}

const OptionSpec* findShortOption(char name) {
    for (const OptionSpec& option : kOptions) {
        if (name != '\0' && option.shortName == name) return &option;
    }
    return nullptr;
}

bool isCommand(std::string_view word) {
    for (const CommandForm& form : kCommands) {
        if (form.name == word) return true;
    }
    return false;
}

bool optionAppliesTo(const OptionSpec& option, std::string_view command) {
    if (option.commands.empty()) return true;
    for (std::string_view name : words(option.commands)) {
        if (name == command) return true;
    }
    return false;
}

std::string commandsOf(const OptionSpec& option) {
    if (option.commands.empty()) return "every command";
    const std::vector<std::string_view> names = words(option.commands);
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

std::string usageText() {
    std::string out(kUsageHead);
    for (const CommandForm& form : kCommands)
        appendEntry(out, fmt::format("  {} {}", form.name, form.operands), form.help);
    out += kUsageMiddle;
    for (const OptionSpec& option : kOptions) {
        if (option.help.empty()) continue;
        std::string name = option.shortName != '\0' ? fmt::format("  -{}, ", option.shortName) : "      ";
        name += option.longName;
        if (!option.argument.empty()) name += fmt::format(" {}", option.argument);
        appendEntry(out, name, option.help);
    }
    out += kUsageTail;
    return out;
}

std::string optionListText() {
    std::string out;
    std::string_view previous;
    for (const CommandForm& form : kCommands) {
        if (form.name != previous) fmt::format_to(std::back_inserter(out), "command {}\n", form.name);
        previous = form.name;
    }
    constexpr std::string_view kValues[] = {"flag", "file", "text"};
    for (const OptionSpec& option : kOptions) {
        if (option.help.empty()) continue;
        fmt::format_to(std::back_inserter(out), "option {} {} {}", option.longName,
                       option.shortName != '\0' ? fmt::format("-{}", option.shortName) : "-",
                       kValues[static_cast<int>(option.value)]);
        previous = {};
        for (const CommandForm& form : kCommands) {
            if (form.name != previous && optionAppliesTo(option, form.name)) {
                fmt::format_to(std::back_inserter(out), " {}", form.name);
            }
            previous = form.name;
        }
        out += '\n';
    }
    return out;
}

}  // namespace lumivex::cli
