#include "cli/result_output.h"

#include <gtest/gtest.h>

#include "cli/photo_list.h"

namespace lumivex::cli {
namespace {

TEST(ResultOutput, JsonLineOfAResult) {
    PhotoResult r = toolResult("d/\"q\"\n\xff.jpg", "delete", "refused", "not safe");
    r.sizeBefore = 10;
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(resultJson(r),
              "{\"path\": \"d/\\\"q\\\"\\n\\u00ff.jpg\", \"operation\": \"delete\", \"outcome\": \"refused\", "
              "\"message\": \"not safe\", \"route\": null, \"size_before\": 10, \"size_after\": 0}");
    r.route = "appended";
    r.dryRun = true;
    EXPECT_NE(resultJson(r).find("\"route\": \"appended\", "), std::string::npos);
    EXPECT_NE(resultJson(r).find(", \"dry_run\": true}"), std::string::npos);
}

TEST(ResultOutput, OneLineJsonKeepsTheValues) {
    EXPECT_EQ(oneLineJson("{\n  \"a\": \"x  y\",\n  \"b\": [1, 2]\n}"), "{\"a\": \"x  y\",\"b\": [1, 2]}");
}

TEST(ResultOutput, MessageFromTheEngineReports) {
    EXPECT_EQ(messageFromReports("\nError : Premature end of file?\nin file 'p.jpg'\n"), "Premature end of file?");
    EXPECT_EQ(messageFromReports("Header missing JFIF marker\n\nNonfatal Error : 'p.jpg' Bad tag\n"),
              "Header missing JFIF marker; 'p.jpg' Bad tag");
    EXPECT_EQ(messageFromReports(""), "");
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
