// `lumivex replace --minimal-exif` promises the window's result byte for byte: the tool's edit with that flag
// and the window's driver must write the same file from the same photo and thumbnail.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/thumbnail/file_operation.h"
#include "lumivex/photo_edit.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;

TEST(MinimalExifRoute, TheToolWritesWhatTheWindowWrites) {
    test::TempDir dir;
    const std::string thumbnail = dir.path("thumb.jpg");
    Bytes jpeg(600, 0x33);
    jpeg[0] = 0xFF;
    jpeg[1] = 0xD8;
    jpeg[598] = 0xFF;
    jpeg[599] = 0xD9;
    test::writeFile(thumbnail, jpeg);
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::testDataPath("photos"))) {
        if (entry.path().extension() != ".jpg") continue;
        const Bytes photo = test::readFile(entry.path().string());
        const std::string byWindow = dir.path("window-" + entry.path().filename().string());
        const std::string byTool = dir.path("tool-" + entry.path().filename().string());
        test::writeFile(byWindow, photo);
        test::writeFile(byTool, photo);
        ::testing::internal::CaptureStderr();
        const int windowResult = runFileOperation(byWindow.c_str(), thumbnail.c_str(), 1);
        ::testing::internal::GetCapturedStderr();
        EditRequest request;
        request.photoPath = byTool;
        request.secondPath = thumbnail;
        request.minimalExif = true;
        const EditResult tool = editPhoto(request);
        ASSERT_EQ(windowResult, 1) << entry.path();
        ASSERT_EQ(tool.outcome, EditOutcome::Done) << entry.path() << ": " << tool.message;
        EXPECT_EQ(test::readFile(byTool), test::readFile(byWindow)) << entry.path();
        ++compared;
    }
    EXPECT_GE(compared, 8);
}

}  // namespace
}  // namespace lumivex
