#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "cli/option_table.h"

namespace lumivex::cli {
namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

struct Accepted {
    const char* args;
    const char* command;
    std::vector<std::string> operands;
    const char* thumbnail;
    unsigned jobs;
    bool recursive, dryRun, json, quiet;
};

TEST(CommandLine, AcceptedForms) {
    const Accepted cases[] = {
        {"replace p.jpg t.jpg", "replace", {"p.jpg"}, "t.jpg", 0, false, false, false, false},
        {"replace -t t.jpg a.jpg b.jpg", "replace", {"a.jpg", "b.jpg"}, "t.jpg", 0, false, false, false, false},
        {"replace --thumbnail=t.jpg -rnq dir", "replace", {"dir"}, "t.jpg", 0, true, true, false, true},
        {"-j4 delete --json x", "delete", {"x"}, "", 4, false, false, true, false},
        {"delete --jobs 2 -- -h", "delete", {"-h"}, "", 2, false, false, false, false},
        {"delete -j 1 -r --dry-run d1 d2", "delete", {"d1", "d2"}, "", 1, true, true, false, false},
        {"export a.jpg - b.jpg b.out", "export", {"a.jpg", "-", "b.jpg", "b.out"}, "", 0, false, false, false, false},
        {"info --json -r .", "info", {"."}, "", 0, true, false, true, false},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.args);
        const ParseResult r = parseCommandLine(words(c.args));
        ASSERT_EQ(r.status, ParseStatus::Run) << r.problem;
        EXPECT_EQ(r.line.command, c.command);
        EXPECT_EQ(r.line.operands, c.operands);
        EXPECT_EQ(r.line.thumbnail, c.thumbnail);
        EXPECT_EQ(r.line.jobs, c.jobs);
        EXPECT_EQ(r.line.recursive, c.recursive);
        EXPECT_EQ(r.line.dryRun, c.dryRun);
        EXPECT_EQ(r.line.json, c.json);
        EXPECT_EQ(r.line.quiet, c.quiet);
    }
}

TEST(CommandLine, OptionsOfTheImagingCommands) {
    const ParseResult r = parseCommandLine(words("regenerate --size 200x150 --quality 70 p.jpg"));
    ASSERT_EQ(r.status, ParseStatus::Run) << r.problem;
    EXPECT_EQ(r.line.thumbWidth, 200);
    EXPECT_EQ(r.line.thumbHeight, 150);
    EXPECT_EQ(r.line.quality, 70);
    EXPECT_EQ(parseCommandLine(words("check --sheet s.jpg p.jpg")).line.sheet, "s.jpg");
}

TEST(CommandLine, UsageErrorsSayWhatIsWrong) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "no command given"},
        {"frobnicate x", "unknown command 'frobnicate'"},
        {"replace only-one", "replace takes PHOTO and THUMB"},
        {"replace -r p.jpg t.jpg", "replace takes PHOTO and THUMB"},  // a folder walk needs -t
        {"replace -t", "-t takes a value"},
        {"delete", "delete takes at least one PHOTO"},
        {"delete -j 0 p", "-j takes a number"},
        {"delete -jx p", "-j takes a number"},
        {"delete --frob p", "unknown option '--frob'"},
        {"delete -rz p", "unknown option '-z'"},
        {"delete --json=1 p", "--json takes no value"},
        {"delete --force p", "--force applies to export, -o and check --sheet only"},
        {"info -o x p", "-o applies to export, replace, delete and regenerate only"},
        {"export -o", "-o takes a value"},
        {"delete --minimal-exif p", "--minimal-exif applies to replace only"},
        {"info -n p", "-n applies to"},  // named as written
        {"info --no-backup p", "--no-backup applies to"},
        {"export -r a b", "-r applies to"},
        {"export a", "export takes PHOTO and OUT pairs"},
        {"export --json a -", "--json cannot share standard output"},
        {"info --follow p", "--follow applies to walks"},
        {"regenerate --size 160 p", "--size takes WIDTHxHEIGHT"},
        {"regenerate --quality 101 p", "--quality takes a number from 1 to 100"},
        {"delete --size 10x10 p", "--size applies to regenerate only"},
        {"info --sheet s p", "--sheet applies to check only"},
    };
    for (const auto& [args, problem] : cases) {
        SCOPED_TRACE(args);
        const ParseResult r = parseCommandLine(words(args));
        EXPECT_EQ(r.status, ParseStatus::UsageError);
        EXPECT_NE(r.problem.find(problem), std::string::npos) << r.problem;
    }
}

TEST(CommandLine, SizeIsWidthByHeight) {
    const std::pair<const char*, std::optional<std::pair<int, int>>> cases[] = {
        {"160x120", std::pair{160, 120}}, {"64X48", std::pair{64, 48}}, {"1024x1", std::pair{1024, 1}},
        {"0x120", std::nullopt},          {"1025x10", std::nullopt},    {"160", std::nullopt},
        {"x120", std::nullopt},           {"160x-1", std::nullopt},     {"", std::nullopt},
    };
    for (const auto& [size, box] : cases) {
        const ParseResult r = parseCommandLine({"regenerate", "--size", size, "p.jpg"});
        EXPECT_EQ(r.status, box ? ParseStatus::Run : ParseStatus::UsageError) << size;
        if (box) {
            EXPECT_EQ(std::pair(r.line.thumbWidth, r.line.thumbHeight), *box) << size;
        }
    }
}

TEST(CommandLine, HelpAndVersionWinOverTheRest) {
    EXPECT_EQ(parseCommandLine(words("delete -h")).status, ParseStatus::Help);
    EXPECT_EQ(parseCommandLine(words("--help")).status, ParseStatus::Help);
    EXPECT_EQ(parseCommandLine(words("-V")).status, ParseStatus::Version);
    EXPECT_EQ(parseCommandLine(words("delete -- -h")).status, ParseStatus::Run);
    EXPECT_EQ(parseCommandLine(words("--list-options")).status, ParseStatus::ListOptions);
}

// Each option of the table is taken by the commands it names and refused by the others, under either name.
TEST(CommandLine, OptionsApplyToTheCommandsOfTheTable) {
    const std::pair<Option, const char*> values[] = {
        {Option::Thumbnail, "t.jpg"}, {Option::Output, "out/"},   {Option::Size, "64x48"},   {Option::Quality, "70"},
        {Option::Sheet, "s.jpg"},     {Option::Previews, "exif"}, {Option::Preview, "exif"}, {Option::Jobs, "2"}};
    for (const OptionSpec& option : optionTable()) {
        if (option.commands.empty()) continue;
        std::string value;
        for (const auto& [id, text] : values) value = id == option.id ? text : value;
        for (const CommandForm& form : commandTable()) {
            const std::string name =
                option.shortName != '\0' ? std::string("-") + option.shortName : std::string(option.longName);
            std::vector<std::string> args = {std::string(form.name), name};
            if (!option.argument.empty()) args.push_back(value);
            // --force beyond export needs -o beside it; the photos the command takes follow.
            if (option.id == Option::Force && form.name != "export") args.insert(args.end(), {"-o", "out/"});
            args.insert(args.end(), {"a.jpg", "b.jpg"});
            const ParseResult r = parseCommandLine(args);
            const bool applies = optionAppliesTo(option, form.name);
            const bool refused = r.problem.find(name + " applies to") != std::string::npos;
            EXPECT_EQ(refused, !applies) << form.name << " " << name << ": " << r.problem;
        }
    }
}

TEST(CommandLine, HelpAndListComeFromOneTable) {
    const std::string help = usageText();
    const std::string list = optionListText();
    const std::pair<const std::string*, const char*> cases[] = {
        {&help, "\n  -t, --thumbnail THUMB    (replace) the new thumbnail for every PHOTO\n"},
        {&help, "\n  replace -t THUMB PHOTO...\n                           the same for each PHOTO\n"},
        {&list, "\ncommand drop-backup\n"},
        {&list, "\noption --sheet - file check\n"},
        {&list, "\noption --previews - text delete regenerate\n"},
    };
    for (const auto& [text, part] : cases) EXPECT_NE(text->find(part), std::string::npos) << part;
    EXPECT_EQ(help.find("--list-options"), std::string::npos);  // for scripts, not in --help
}

}  // namespace
}  // namespace lumivex::cli
