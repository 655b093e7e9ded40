#include "engine/thumbnail/file_operation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/exif/photo_info.h"
#include "engine/platform/file_services.h"
#include "lumivex/driver_messages.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;
using test::JpegBuilder;

std::vector<std::string> boxes;
void recordBox(const char* text) { boxes.emplace_back(text); }

class FileOperationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        boxes.clear();
        setDriverMessageSink(recordBox);
    }
    void TearDown() override { setDriverMessageSink(nullptr); }

    int run(const std::string& source, const char* second, int replaceFlag) {
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        const int result = runFileOperation(source.c_str(), second, replaceFlag);
        out = ::testing::internal::GetCapturedStdout();
        errors = ::testing::internal::GetCapturedStderr();
        return result;
    }
    // A photo whose thumbnail is the last thing in its Exif block, dated in the past.
    std::string photoWithThumbnail(const std::string& name, size_t thumbLength = 60) {
        ExifBuilder exif(ExifByteOrder::Intel);
        const int ifd0 = exif.addDirectory();
        const int ifd1 = exif.addDirectory();
        exif.addAscii(ifd0, 0x010F, "Maker");
        exif.addAscii(ifd0, 0x0132, "2011:11:11 11:11:11");
        exif.setNext(ifd0, ifd1);
        exif.setThumbnail(ifd1, Bytes(thumbLength, 0x5A));
        return writePhoto(name, JpegBuilder().exif(exif.segment()).image().bytes());
    }
    std::string writePhoto(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.path(name);
        test::writeFile(path, bytes);
        namespace fs = std::filesystem;
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        platform::setFileTimes(path.c_str(), 1300000000, 123456789);
        return path;
    }
    std::string writeThumbnail(size_t size) {
        const std::string path = dir.path("new-thumb.jpg");
        Bytes jpeg(size, 0xC3);  // only its first and last two bytes make it a JPEG image
        jpeg[0] = 0xFF;
        jpeg[1] = 0xD8;
        jpeg[size - 2] = 0xFF;
        jpeg[size - 1] = 0xD9;
        test::writeFile(path, jpeg);
        return path;
    }

    test::TempDir dir;
    std::string out;
    std::string errors;
};

TEST_F(FileOperationTest, PathLengthLimit) {
    const std::string base = dir.path("");
    const std::string at258 = base + std::string(258 - base.size() - 4, 'p') + ".jpg";
    const std::string at259 = base + std::string(259 - base.size() - 4, 'p') + ".jpg";
    ASSERT_EQ(at258.size(), 258u);
    test::writeFile(at258, JpegBuilder().image().bytes());
    const int result = run(at258, nullptr, 1);
#ifndef _WIN32
    EXPECT_EQ(result, 1);  // on Windows the backup's longer name may pass the system's own path limit
#endif
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(result == 1 || test::readFile(at258) == JpegBuilder().image().bytes()) << errors;
    EXPECT_EQ(run(at259, nullptr, 1), 0);
    EXPECT_EQ(boxes, std::vector<std::string>{"サムネイル画像のサイズが大きすぎます。"});
    EXPECT_TRUE(errors.empty());  // nothing was read
}

TEST_F(FileOperationTest, MissingPhoto) {
    EXPECT_EQ(run(dir.path("absent.jpg"), nullptr, 1), 0);
    EXPECT_EQ(boxes, std::vector<std::string>{"ファイルが見つかりません。"});
}

TEST_F(FileOperationTest, ReadOnlyPhotoIsSkipped) {
    const std::string photo = photoWithThumbnail("ro.jpg");
    namespace fs = std::filesystem;
    fs::permissions(photo, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Bytes before = test::readFile(photo);
    EXPECT_EQ(run(photo, nullptr, 1), 0);
    EXPECT_EQ(out, "Skipping readonly file '" + photo + "'\n");
    EXPECT_EQ(test::readFile(photo), before);
    EXPECT_FALSE(test::fileExists(photo + ".orig"));
}

TEST_F(FileOperationTest, ReplaceKeepsABackupAndTheOldModeAndTimes) {
    const std::string photo = photoWithThumbnail("x.jpg");
    const Bytes original = test::readFile(photo);
    test::writeFile(photo + ".orig", {'o', 'l', 'd'});
    const std::string thumb = writeThumbnail(500);
    ASSERT_EQ(run(photo, thumb.c_str(), 1), 1);
    EXPECT_EQ(test::readFile(photo + ".orig"), original);
    platform::FileStatus st;
    ASSERT_TRUE(platform::statFile(photo.c_str(), st));
    EXPECT_EQ(st.modifiedSeconds, 1300000000);
#ifndef _WIN32
    EXPECT_EQ(st.mode, 0640u);
    EXPECT_EQ(st.modifiedNanos, 123456789);
    struct stat raw {};
    ASSERT_EQ(stat(photo.c_str(), &raw), 0);
    EXPECT_EQ(raw.st_atim.tv_sec, 1300000000);  // the access time too
#endif
    const Bytes written = test::readFile(photo);
    const Bytes thumbBytes = test::readFile(thumb);
    EXPECT_NE(std::search(written.begin(), written.end(), thumbBytes.begin(), thumbBytes.end()), written.end());
}

TEST_F(FileOperationTest, ReplaceWithoutAThumbnailGoesThroughTheMinimalExif) {
    const std::string photo = writePhoto("plain.jpg", JpegBuilder().image().bytes());
    ASSERT_EQ(run(photo, writeThumbnail(300).c_str(), 1), 1);
    EXPECT_EQ(errors, "Image contains no thumbnail to replace - add is not possible\n");
    const Bytes written = test::readFile(photo);
    ASSERT_GT(written.size(), 4u + 134 + 300);
    EXPECT_EQ(written[3], 0xE1);
    EXPECT_EQ(written[4] * 256 + written[5], 134 + 300);
}

TEST_F(FileOperationTest, ThumbnailTooLargeWritesNothing) {
    const std::string photo = photoWithThumbnail("big.jpg");
    const Bytes before = test::readFile(photo);
    EXPECT_EQ(run(photo, writeThumbnail(70000).c_str(), 1), 0);
    EXPECT_NE(errors.find("New thumbnail has 70000 bytes; at most "), std::string::npos);
    EXPECT_EQ(test::readFile(photo), before);
    EXPECT_FALSE(test::fileExists(photo + ".orig"));
}

TEST_F(FileOperationTest, ThumbnailTooLargeEvenForTheMinimalExifWritesNothing) {
    const std::string photo = writePhoto("plain.jpg", JpegBuilder().image().bytes());
    const Bytes before = test::readFile(photo);
    EXPECT_EQ(run(photo, writeThumbnail(65391).c_str(), 1), 0);
    EXPECT_NE(errors.find("New thumbnail has 65391 bytes; at most 65390 bytes fit"), std::string::npos);
    EXPECT_EQ(test::readFile(photo), before);
    EXPECT_FALSE(test::fileExists(photo + ".orig"));
}

TEST_F(FileOperationTest, DeleteCases) {
    const std::string none = writePhoto("none.jpg", JpegBuilder().image().bytes());
    EXPECT_EQ(run(none, nullptr, 1), 1);  // nothing to delete: written again, success
    EXPECT_TRUE(test::fileExists(none + ".orig"));

    const std::string photo = photoWithThumbnail("thumb.jpg");
    EXPECT_EQ(run(photo, nullptr, 1), 1);
    const Bytes once = test::readFile(photo);
    EXPECT_EQ(run(photo, nullptr, 1), 0);  // its length is 0 now: nothing written
    EXPECT_EQ(test::readFile(photo), once);
}

TEST_F(FileOperationTest, ExportWritesOnlyTheThumbnail) {
    const std::string photo = photoWithThumbnail("e.jpg", 33);
    const Bytes before = test::readFile(photo);
    ASSERT_EQ(run(photo, dir.path("t.jpg").c_str(), 0), 1);
    EXPECT_EQ(test::readFile(dir.path("t.jpg")), Bytes(33, 0x5A));
    EXPECT_EQ(test::readFile(photo), before);
    EXPECT_FALSE(test::fileExists(photo + ".orig"));

    const std::string plain = writePhoto("plain.jpg", JpegBuilder().image().bytes());
    EXPECT_EQ(run(plain, dir.path("t2.jpg").c_str(), 0), 0);
    EXPECT_EQ(boxes, std::vector<std::string>{"サムネイル画像が含まれません。"});
    EXPECT_EQ(run(photo, dir.path("missing/t.jpg").c_str(), 0), 0);
    EXPECT_EQ(boxes.back(), "サムネイル画像の出力に失敗しました。");
}

TEST_F(FileOperationTest, ExportOverThePhotoItselfIsRefused) {
    const std::string photo = photoWithThumbnail("self.jpg", 33);
    const Bytes before = test::readFile(photo);
    EXPECT_EQ(run(photo, photo.c_str(), 0), 0);
    EXPECT_EQ(errors, "Will not write the thumbnail over the photo itself: '" + photo + "'\n");
    EXPECT_EQ(boxes, std::vector<std::string>{"サムネイル画像の出力に失敗しました。"});
    EXPECT_EQ(test::readFile(photo), before);
}

TEST_F(FileOperationTest, FolderAsPhoto) {
    const std::string folder = dir.path("folder.jpg");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(run(folder, nullptr, 1), 0);
#ifdef _WIN32
    EXPECT_EQ(errors, "Cannot open '" + folder + "'\n");  // a folder cannot be opened as a file there
#else
    EXPECT_EQ(errors, "'" + folder + "' is not a regular file\n");
#endif
}

TEST_F(FileOperationTest, NoBackupMeansNoWrite) {
    const std::string photo = photoWithThumbnail("kept.jpg");
    const Bytes before = test::readFile(photo);
    // A non-empty folder of the backup's name can be neither removed nor replaced.
    std::filesystem::create_directories(photo + ".orig/inside");
    EXPECT_EQ(run(photo, nullptr, 1), 0);
    EXPECT_EQ(test::readFile(photo), before);
    EXPECT_NE(errors.find(".orig' is not a file; it was left alone"), std::string::npos) << errors;
}

TEST_F(FileOperationTest, MissingNewThumbnailIsFatalBeforeAnythingIsWritten) {
    const std::string photo = photoWithThumbnail("f.jpg");
    const Bytes before = test::readFile(photo);
    const std::string expected = "\nError : Could not read thumbnail file\nin file '" + photo + "'\n";
    bool fatal = false;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runFileOperation(photo.c_str(), dir.path("absent.jpg").c_str(), 1, &fatal), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), expected);
    EXPECT_TRUE(fatal);  // the window ends after such a report
    EXPECT_EQ(test::readFile(photo), before);
    EXPECT_FALSE(test::fileExists(photo + ".orig"));
}

}  // namespace
}  // namespace lumivex
