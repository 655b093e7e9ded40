#include "engine/diag/diag.h"

#include <gtest/gtest.h>

namespace lumivex {
namespace {

TEST(DiagDeathTest, FatalWithoutAFileHasNoFileLine) {
    EXPECT_EXIT(
        {
            currentFileName.reset();
            failFatal("invalid marker");
        },
        ::testing::ExitedWithCode(1), ::testing::Eq(std::string("\nError : invalid marker\n")));
}

TEST(DiagDeathTest, FatalNamesTheCurrentFile) {
    EXPECT_EXIT(
        {
            currentFileName = "C:\\a.jpg";
            failFatal("Premature end of file?");
        },
        ::testing::ExitedWithCode(1),
        ::testing::Eq(std::string("\nError : Premature end of file?\nin file 'C:\\a.jpg'\n")));
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
