#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

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
        {"delete --force p", "--force applies to export and check --sheet only"},
        {"delete --minimal-exif p", "--minimal-exif applies to replace only"},
        {"info -n p", "--dry-run applies to"},
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

TEST(CommandLine, HelpAndVersionWinOverTheRest) {
    EXPECT_EQ(parseCommandLine(words("delete -h")).status, ParseStatus::Help);
    EXPECT_EQ(parseCommandLine(words("--help")).status, ParseStatus::Help);
    EXPECT_EQ(parseCommandLine(words("-V")).status, ParseStatus::Version);
    EXPECT_EQ(parseCommandLine(words("delete -- -h")).status, ParseStatus::Run);
}

}  // namespace
}  // namespace lumivex::cli
