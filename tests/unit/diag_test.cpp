#include "engine/diag/diag.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace lumivex {
namespace {

TEST(Diag, FatalReportIsWrittenThenThrown) {
    struct Case {
        std::optional<std::string> file;
        const char* message;
        std::string report;
    };
    const Case cases[] = {
        {std::nullopt, "invalid marker", "\nError : invalid marker\n"},
        {"C:\\a.jpg", "Premature end of file?", "\nError : Premature end of file?\nin file 'C:\\a.jpg'\n"},
    };
    for (const Case& c : cases) {
        currentFileName = c.file;
        std::string written;
        ScopedReportSink sink([&written](std::string_view text) { written.append(text); });
        try {
            failFatal(c.message);
            ADD_FAILURE() << "failFatal returned";
        } catch (const FatalError& error) {
            EXPECT_EQ(error.message, c.message);
        }
        EXPECT_EQ(written, c.report);
    }
    currentFileName.reset();
}

TEST(Diag, NonfatalReportNamesTheFileAndIgnoresUnusedArguments) {
    currentFileName = "C:\\photos\\a.jpg";
    ::testing::internal::CaptureStderr();
    warnNonfatal("Extraneous %d padding bytes before section %02X", 11, 0xE1);
    warnNonfatal("Undefined rotation value %d in Exif", 9, 1234);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "\nNonfatal Error : 'C:\\photos\\a.jpg' Extraneous 11 padding bytes before section E1\n"
              "\nNonfatal Error : 'C:\\photos\\a.jpg' Undefined rotation value 9 in Exif\n");
    currentFileName.reset();
    ::testing::internal::CaptureStderr();
    warnNonfatal("Incorrect Exif header", 0, 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "\nNonfatal Error : Incorrect Exif header\n");
}

}  // namespace
}  // namespace lumivex
