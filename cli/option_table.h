// The tool's commands and options in one table: the parser reads it, --help is printed from it, and
// --list-options gives it to the completion and to the manual page's check.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace lumivex::cli {

enum class Option {
    Thumbnail,
    MinimalExif,
    Output,
    Force,
    NoBackup,
    DryRun,
    Size,
    Quality,
    Sheet,
    Previews,
    Preview,
    Recursive,
    Follow,
    InPlace,
    Jobs,
    Json,
    Quiet,
    Help,
    Version,
    ListOptions,
};

// What an option's value is, for the completion: a file name, or text it cannot guess.
enum class OptionValue { None, File, Text };

struct OptionSpec {
    Option id;
    char shortName;             // '\0' when there is none
    std::string_view longName;  // with its "--"
    std::string_view argument;  // as --help names the value; empty for a flag
    OptionValue value;
    std::string_view commands;  // the commands that take it, space-separated; empty: every command
    std::string_view help;      // --help's lines, '\n' between them; empty: not shown
};

struct CommandForm {
    std::string_view name;
    std::string_view operands;
    std::string_view help;  // '\n' between lines
};

// Every option, in the order --help shows them.
std::span<const OptionSpec> optionTable();
// The commands' forms, in the order --help shows them; a command may have more than one.
std::span<const CommandForm> commandTable();

const OptionSpec* findLongOption(std::string_view name);
const OptionSpec* findShortOption(char name);
bool isCommand(std::string_view word);
bool optionAppliesTo(const OptionSpec& option, std::string_view command);
// The commands that take an option, as a sentence: "replace, delete and regenerate".
std::string commandsOf(const OptionSpec& option);

// The text of --help.
std::string usageText();

// One line per command ("command NAME") and per option ("option --LONG -S|- flag|file|text COMMAND..."), for
// scripts that must name exactly what the tool takes.
std::string optionListText();

}  // namespace lumivex::cli
