// Inputs kept from fuzzing and hostile shapes that once needed a bound: each one read again with the exact
// result and reports pinned. The replay tests run the same files through the fuzz targets under sanitizers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/diag/diag.h"
#include "engine/exif/exif_segment.h"
#include "engine/exif/photo_info.h"
#include "engine/jpeg/sections.h"
#include "engine/thumbnail/file_operation.h"
#include "fault_support.h"

namespace lumivex::faults {
namespace {

std::string regression(const std::string& target, const std::string& name) {
    return std::string(LUMIVEX_FUZZ_DIR) + "/regressions/" + target + "/" + name;
}

// The file name without its extension, as a test name.
std::string caseName(const char* file) {
    std::string name(file);
    name = name.substr(0, name.find('.'));
    for (char& ch : name) {
        if (ch == '-') ch = '_';
    }
    return name;
}

// What reading a file of the segment-reader regressions gives: a fatal report or a result.
struct ReaderCase {
    const char* file;
    bool fatal;
    int result;          // when not fatal
    const char* report;  // standard error; "%s" stands for the photo's path
};

void PrintTo(const ReaderCase& c, std::ostream* out) { *out << c.file; }

std::string withPath(const char* report, const std::string& path) {
    std::string text(report);
    for (size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + path.size())) {
        text.replace(at, 2, path);
    }
    return text;
}

class SegmentReaderRegression : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(SegmentReaderRegression, ReadsWithTheExactOutcome) {
    const ReaderCase& c = GetParam();
    ScratchFolder scratch;
    const std::string photo = scratch / "photo.jpg";
    const std::vector<uint8_t> bytes = fileBytes(regression("segment_reader", c.file));
    writeFile(photo, bytes);
    // A fatal report ends the read with FatalError, which the child turns into its exit status 1.
    const ChildOutcome outcome = runInChild([&] {
        try {
            PhotoRecords records;
            return readSourceFile(records, photo.c_str(), false);
        } catch (const FatalError&) {
            std::fflush(nullptr);
            std::_Exit(1);
        }
    });
    ASSERT_TRUE(outcome.exited);
    if (c.fatal) {
        EXPECT_EQ(outcome.exitCode, 1);
    } else {
        EXPECT_EQ(outcome.result, c.result);
    }
    EXPECT_EQ(outcome.standardError, withPath(c.report, photo));
    EXPECT_EQ(fileBytes(photo), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Fuzz, SegmentReaderRegression,
    ::testing::Values(ReaderCase{"end-after-ff.jpg", true, 0, "\nError : invalid marker\nin file '%s'\n"},
                      ReaderCase{"end-without-marker.jpg", true, 0, "\nError : Premature end of file?\nin file '%s'\n"},
                      ReaderCase{"eoi-last.jpg", true, 0, "\nError : invalid marker\nin file '%s'\n"},
                      ReaderCase{"length-below-two.jpg", true, 0, "\nError : invalid marker\nin file '%s'\n"},
                      ReaderCase{"payload-cut-short.jpg", true, 0, "\nError : Premature end of file?\nin file '%s'\n"},
                      ReaderCase{"exif-app1-six-bytes.jpg", false, 1,
                                 "\nNonfatal Error : '%s' Exif segment too short for its header (6 bytes)\n"}),
    [](const auto& info) { return caseName(info.param.file); });

// parseExifSegment on a segment of the Exif regressions, as the reader hands it (its first two bytes are its
// length); standard output gets the thumbnail facts the edits would rely on.
ChildOutcome parseSegmentInChild(const std::string& file) {
    std::vector<uint8_t> segment = fileBytes(regression("exif_segment", file));
    return runInChild([&] {
        currentFileName.reset();
        ExifRecords records;
        clearPhotoInfoForNewFile(records);
        segment[0] = static_cast<uint8_t>(segment.size() >> 8);
        segment[1] = static_cast<uint8_t>(segment.size());
        parseExifSegment(records, segment.data(), static_cast<uint32_t>(segment.size()));
        const PhotoInfo& photoInfo = records.photoInfo;
        std::printf("thumbOffset %u thumbLength %u thumbAtEnd %u\n", photoInfo.thumbOffset, photoInfo.thumbLength,
                    photoInfo.thumbAtEnd);
        return 1;
    });
}

struct ExifCase {
    const char* file;
    const char* report;
    const char* facts;
};

void PrintTo(const ExifCase& c, std::ostream* out) { *out << c.file; }

class ExifSegmentRegression : public ::testing::TestWithParam<ExifCase> {};

TEST_P(ExifSegmentRegression, ParsesWithTheExactReports) {
    const ExifCase& c = GetParam();
    const ChildOutcome outcome = parseSegmentInChild(c.file);
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.standardError, c.report);
    EXPECT_EQ(outcome.standardOutput, c.facts);
}

INSTANTIATE_TEST_SUITE_P(
    Fuzz, ExifSegmentRegression,
    ::testing::Values(ExifCase{"shorter-than-header.app1",
                               "\nNonfatal Error : Exif segment too short for its header (12 bytes)\n",
                               "thumbOffset 0 thumbLength 0 thumbAtEnd 0\n"},
                      // A first directory at 8 is taken without a look at the length; its count is not.
                      ExifCase{"first-directory-count-past-end.app1",
                               "\nNonfatal Error : Exif directory at offset 8 lies past the end of the block\n",
                               "thumbOffset 0 thumbLength 0 thumbAtEnd 1\n"},
                      ExifCase{"directory-links-to-itself.app1",
                               "\nNonfatal Error : Exif directory at offset 8 is linked more than once; read once\n",
                               "thumbOffset 0 thumbLength 0 thumbAtEnd 0\n"},
                      // The length claims 4 GB; only the 4 bytes left in the block count.
                      ExifCase{"thumbnail-length-past-end.app1", "", "thumbOffset 38 thumbLength 4 thumbAtEnd 1\n"}),
    [](const auto& info) { return caseName(info.param.file); });

size_t countOf(const std::string& text, const std::string& line) {
    size_t n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + line.size())) ++n;
    return n;
}

// 255 links to overlapping directories of 1200 entries each: the walk stops at the entry budget and reports
// it once, however many directories are left.
TEST(FuzzRegression, DirectoryFanOutIsCutAtItsBounds) {
    const ChildOutcome outcome = parseSegmentInChild("entry-budget-fanout.app1");
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 1);
    const std::string& err = outcome.standardError;
    // 218 directories of 1200 entries and the first one's 255 fit in 262144; each ends in a link past the block.
    EXPECT_EQ(countOf(err, "\nNonfatal Error : "), 219u);
    EXPECT_EQ(
        countOf(err, "\nNonfatal Error : Too many Exif directory entries (more than 262144); the rest is not read\n"),
        1u);
    EXPECT_EQ(countOf(err, "\nNonfatal Error : Illegal subdirectory link in Exif header\n"), 218u);
    EXPECT_EQ(outcome.standardOutput, "thumbOffset 0 thumbLength 0 thumbAtEnd 0\n");
}

}  // namespace
}  // namespace lumivex::faults
