#include "cli/result_output.h"

#include <gtest/gtest.h>

#include "cli/backup_jobs.h"
#include "cli/json_text.h"
#include "cli/output_pattern.h"
#include "cli/photo_list.h"
#include "cli/terminal_text.h"

namespace lumivex::cli {
namespace {

TEST(ResultOutput, JsonLineOfAResult) {
    PhotoResult r = toolResult("d/\"q\"\n\xff.jpg", "delete", "refused", "not safe");
    r.sizeBefore = 10;
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(resultJson(r),
              "{\"path\": \"d/\\\"q\\\"\\n\\u00ff.jpg\", \"path_bytes\": \"ZC8icSIK/y5qcGc=\", \"operation\": "
              "\"delete\", \"outcome\": \"refused\", "
              "\"message\": \"not safe\", \"route\": null, \"size_before\": 10, \"size_after\": 0}");
    r.route = "appended";
    r.dryRun = true;
    EXPECT_NE(resultJson(r).find("\"route\": \"appended\", "), std::string::npos);
    EXPECT_NE(resultJson(r).find(", \"dry_run\": true}"), std::string::npos);
}

TEST(ResultOutput, ANameThatIsNotUtf8KeepsItsBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xC3\xA9.jpg", "\"path\": \"caf\xC3\xA9.jpg\""},
        {"\xFF.jpg", "\"path\": \"\\u00ff.jpg\", \"path_bytes\": \"/y5qcGc=\""},
        {"ab\xE9", "\"path\": \"ab\\u00e9\", \"path_bytes\": \"YWLp\""},
        {"\xC3", "\"path\": \"\\u00c3\", \"path_bytes\": \"ww==\""},  // a cut sequence
    };
    for (const auto& [path, members] : cases) EXPECT_EQ(jsonPathMembers(path), members);
}

TEST(ResultOutput, MessageFromTheEngineReports) {
    EXPECT_EQ(messageFromReports("\nError : Premature end of file?\nin file 'p.jpg'\n"), "Premature end of file?");
    EXPECT_EQ(messageFromReports("Header missing JFIF marker\n\nNonfatal Error : 'p.jpg' Bad tag\n"),
              "Header missing JFIF marker; 'p.jpg' Bad tag");
    EXPECT_EQ(messageFromReports(""), "");
}

TEST(ResultOutput, OneLinePerResultWithoutRepeatedWords) {
    struct Case {
        const char* outcome;
        const char* message;
        const char* route;
        bool dryRun;
        const char* line;
    };
    const Case cases[] = {
        {"nothing to do", "no thumbnail; nothing to do", "", false, "p.jpg: nothing to do: no thumbnail\n"},
        {"done", "would be removed", "", true, "p.jpg: dry run: would be removed\n"},
        {"done", "would be replaced (in place)", "in place", true, "p.jpg: dry run: would be replaced (in place)\n"},
        {"done", "new thumbnail 8x8", "appended", false, "p.jpg: done (appended): new thumbnail 8x8\n"},
        {"refused", "too large", "", true, "p.jpg: dry run: refused: too large\n"},
        {"fresh", "score 0.900", "", false, "p.jpg: fresh: score 0.900\n"},
    };
    for (const Case& c : cases) {
        PhotoResult r = toolResult("p.jpg", "delete", c.outcome, c.message);
        r.route = c.route;
        r.dryRun = c.dryRun;
        EXPECT_EQ(resultLine(r), c.line);
    }
}

TEST(ResultOutput, EachNoteOnceWithoutTheEngineHeads) {
    PhotoResult r = toolResult("d/p.jpg", "info", "done", "");
    r.reports =
        "\nNonfatal Error : 'd/p.jpg' Bad GPS\n\nNonfatal Error : 'd/p.jpg' Bad GPS\nHeader missing JFIF marker\n";
    EXPECT_EQ(photoNotes(r), (std::vector<std::string>{"Bad GPS", "Header missing JFIF marker"}));
    r = toolResult("p.jpg", "delete", "failed", "Premature end of file?");
    r.reports = "\nError : Premature end of file?\nin file 'p.jpg'\nNonfatal Error : 'p.jpg' Bad tag\n";
    EXPECT_EQ(photoNotes(r), (std::vector<std::string>{"Bad tag"}));  // the failure line says the rest
}

TEST(TerminalText, ControlCharactersNeverReachTheTerminalRaw) {
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xC3\xA9 \xE5\x86\x99.jpg", "caf\xC3\xA9 \xE5\x86\x99.jpg"},  // UTF-8 text stays
        {"a\x1B]0;owned\x07"
         "b",
         "a\\e]0;owned\\x07b"},  // OSC: title
        {"x\rFile name : /etc/shadow\n", "x\\rFile name : /etc/shadow\\n"},
        {"tab\there\x7F", "tab\\there\\x7F"},
        {"c1 \xC2\x9B"
         "31m",
         "c1 \\xC2\\x9B31m"},                // CSI as a UTF-8 C1 control
        {"bad \xFF\xC3", "bad \\xFF\\xC3"},  // not UTF-8: each byte shown
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(terminalText(raw), shown) << shown;
}

TEST(TerminalText, AsciiForALabelFont) {
    const std::pair<std::string, std::string> cases[] = {
        {"\xE5\x86\x99\xE7\x9C\x9F 1_a.jpg", "\\u5199\\u771F 1_a.jpg"},
        {"\xF0\x9F\x93\xB7", "\\U0001F4F7"},
        {"a\tb\xFF", "a\\x09b\\xFF"},
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(asciiText(raw), shown) << shown;
}

TEST(OutputPattern, NamesFromThePhoto) {
    struct Case {
        const char* pattern;
        const char* photo;
        bool thumbnail;
        const char* output;
    };
    const Case cases[] = {
        {"out/", "a/b/p.1.jpg", true, "out/p.1.thumb.jpg"},
        {"out/", "a/b/p.1.jpg", false, "out/p.1.jpg"},
        {"out/", "NO-EXTENSION", false, "out/NO-EXTENSION"},
        {"%d/%f-t.%e", "p.JPG", true, "./p-t.JPG"},
        {"%d/x", "/p.jpg", true, "//x"},
        {"100%%_%f", "d/.hidden", true, "100%_.hidden"},
        {"%q", "p.jpg", true, ""},
        {"x%", "p.jpg", true, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(outputFor(c.pattern, c.photo, c.thumbnail), c.output) << c.pattern;
}

TEST(Backups, ImageDataStartAfterTheScanHeader) {
    using namespace std::string_literals;
    const std::pair<std::string, std::optional<uint64_t>> cases[] = {
        {"\xFF\xD8\xFF\xE1\x00\x04"
         "ab\xFF\xDA\x00\x02"
         "data"s,
         12},
        {"\xFF\xD8\xFF\xFF\xDA\x00\x02"s, 7},  // a fill byte before the marker
        {"\xFF\xD8\xFF\xE1\x00\x09"
         "ab\xFF\xDA\x00\x02"s,
         std::nullopt},                                               // a length past the end
        {"\xFF\xD8\xFF\xE1\x00\x01\xFF\xDA\x00\x02"s, std::nullopt},  // a length below its own size
        {"\xFF\xD8\x00\x00\x00\x00"s, std::nullopt},
        {"\xFF\xD8\xFF\xE0\x00\x02"s, std::nullopt},  // no scan at all
        {"GIF89a"s, std::nullopt},
    };
    for (const auto& [jpeg, offset] : cases) EXPECT_EQ(imageDataOffset(jpeg), offset) << jpeg.size();
}

TEST(PhotoList, ToolFilesAreKnownByName) {
    for (const char* name :
         {"p.jpg.orig", "p.jpg.orig.12", "p.jpg.new~", ".p.jpg.lumivex-a1B2c3", ".lumivex-a1b2c3d4e5f6"})
        EXPECT_TRUE(isToolFileName(name));
    for (const char* name :
         {"p.jpg", "original.jpg", ".hidden.jpg", "lumivex-p.jpg", "p.orig.jpg", "p.jpg.orig.", "p.jpg.orig.1a"}) {
        EXPECT_FALSE(isToolFileName(name)) << name;
    }
}

}  // namespace
}  // namespace lumivex::cli
