// The driver under faults of the file system and of the process: whatever happens, the user's photo is
// still there, unchanged under its own name or whole in its ".orig" backup.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine/diag/diag.h"
#include "engine/thumbnail/file_operation.h"
#include "fault_support.h"

namespace lumivex::faults {
namespace {

constexpr char kWithThumbnail[] = "canon-40d.jpg";      // 7958 bytes; its thumbnail is last in its Exif block
constexpr char kWithoutExif[] = "olympus-no-exif.jpg";  // replacement goes through the minimal Exif block

// A thumbnail-shaped file: SOI, a byte pattern, EOI.
std::vector<uint8_t> newThumbnail(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + 5);
    bytes[0] = 0xFF;
    bytes[1] = 0xD8;
    bytes[size - 2] = 0xFF;
    bytes[size - 1] = 0xD9;
    return bytes;
}

constexpr char kWriteFailed[] =
    "Could not write the new file whole (disk full, or the photo changed while it was edited)\n";

std::string fatalReport(const std::string& message, const std::string& photo) {
    return "\nError : " + message + "\nin file '" + photo + "'\n";
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// One photo in a folder of its own, and a new thumbnail beside the folder.
class DriverFaults : public ::testing::Test {
  protected:
    void placePhoto(const char* name, const std::string& folder) {
        original = fileBytes(testPhoto(name));
        ASSERT_FALSE(original.empty());
        photo = folder + "/photo.jpg";
        backup = photo + ".orig";
        writeFile(photo, original);
        thumbnail = scratch / "thumb.jpg";
        writeFile(thumbnail, newThumbnail(3000));
    }

    // The edit was not carried out and left no trace.
    void expectPhotoUntouched() {
        EXPECT_EQ(fileBytes(photo), original);
        EXPECT_FALSE(exists(backup));
    }

    // Nothing of the edit is left beside the photo: its temporary files are dot files named ".lumivex-...".
    void expectNoTemporaryLeft() {
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(photo).parent_path())) {
            EXPECT_EQ(entry.path().filename().string().find(".lumivex-"), std::string::npos) << entry.path();
        }
    }

    ScratchFolder scratch;
    std::vector<uint8_t> original;
    std::string photo;
    std::string backup;
    std::string thumbnail;
};

// The write fails part-way: the original is put back under its own name.
struct WriteLimitCase {
    const char* name;
    const char* photo;
    bool deleting;
};

void PrintTo(const WriteLimitCase& c, std::ostream* out) { *out << c.name; }

class DiskFullByFileSizeLimit : public DriverFaults, public ::testing::WithParamInterface<WriteLimitCase> {};

TEST_P(DiskFullByFileSizeLimit, OriginalIsPutBack) {
    const WriteLimitCase& c = GetParam();
    placePhoto(c.photo, scratch.path());
    const ChildOutcome outcome = runInChild([&] {
        // With the signal ignored, a write past the limit fails with EFBIG as on a full disk.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return runFileOperation(photo.c_str(), c.deleting ? nullptr : thumbnail.c_str(), 1);
    });
    ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
    EXPECT_EQ(outcome.result, 0);
    EXPECT_NE(outcome.standardError.find(kWriteFailed), std::string::npos) << outcome.standardError;
    expectPhotoUntouched();
    expectNoTemporaryLeft();
}

INSTANTIATE_TEST_SUITE_P(Driver, DiskFullByFileSizeLimit,
                         ::testing::Values(WriteLimitCase{"Replace", kWithThumbnail, false},
                                           WriteLimitCase{"Delete", kWithThumbnail, true},
                                           WriteLimitCase{"ReplaceThroughMinimalExif", kWithoutExif, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Export never touches the photo; a thumbnail cut short by a full disk is removed rather than left half-written.
TEST_F(DriverFaults, ExportOnAFullDiskLeavesNoHalfThumbnailAndThePhotoAsItWas) {
    placePhoto(kWithThumbnail, scratch.path());
    const std::string exported = scratch / "exported.jpg";
    const ChildOutcome outcome = runInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};  // the thumbnail has 1378 bytes
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return runFileOperation(photo.c_str(), exported.c_str(), 0);
    });
    ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardError, "\nNonfatal Error : '" + photo +
                                         "' Could not write thumbnail file\nサムネイル画像の出力に失敗しました。\n");
    EXPECT_FALSE(exists(exported));
    expectPhotoUntouched();
}

TEST_F(DriverFaults, KilledByFileSizeSignalDuringTheWriteLeavesThePhotoAsItWas) {
    placePhoto(kWithThumbnail, scratch.path());
    const ChildOutcome outcome = runInChild([&] {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return runFileOperation(photo.c_str(), thumbnail.c_str(), 1);
    });
    ASSERT_FALSE(outcome.exited);
    EXPECT_EQ(outcome.signal, SIGXFSZ);
    // The new file was being written under a temporary name: the photo's name still holds the original.
    expectPhotoUntouched();
}

TEST_F(DriverFaults, DiskFullOnSmallTmpfsPutsTheOriginalBack) {
    std::string why;
    if (!enterPrivateMountNamespace(why)) GTEST_SKIP() << "no private mount namespace here: " << why;
    const std::string disk = scratch / "disk";
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    // Two pages for the 7958-byte photo and one to spare: the new file (about 9.5 KB) cannot fit beside the backup.
    TmpfsMount tmpfs(disk, "size=12k");
    if (!tmpfs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << tmpfs.why();
    placePhoto(kWithThumbnail, disk);
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), thumbnail.c_str(), 1); });
    ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
    EXPECT_EQ(outcome.result, 0);
    EXPECT_NE(outcome.standardError.find(kWriteFailed), std::string::npos) << outcome.standardError;
    expectPhotoUntouched();
}

// No inode is left for the new file: it cannot even be created, so nothing changes.
TEST_F(DriverFaults, NoInodeForTheNewFileLeavesThePhotoAsItWas) {
    std::string why;
    if (!enterPrivateMountNamespace(why)) GTEST_SKIP() << "no private mount namespace here: " << why;
    const std::string disk = scratch / "disk";
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    TmpfsMount tmpfs(disk, "size=64k,nr_inodes=2");  // the folder itself and the photo
    if (!tmpfs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << tmpfs.why();
    placePhoto(kWithThumbnail, disk);
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), thumbnail.c_str(), 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardError,
              "Could not create a temporary file beside '" + photo + "'; the photo was not changed\n");
    expectPhotoUntouched();
}

TEST_F(DriverFaults, ImmutableFolderRefusesTheBackupAndNothingIsWritten) {
    placePhoto(kWithThumbnail, scratch.path());
    Immutable frozen(scratch.path());
    if (!frozen.made()) GTEST_SKIP() << "no immutable attribute on this file system: " << frozen.why();
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), thumbnail.c_str(), 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardError,
              "Could not create a temporary file beside '" + photo + "'; the photo was not changed\n");
    expectPhotoUntouched();
}

TEST_F(DriverFaults, ReadOnlyMountIsRefusedBeforeAnythingIsRead) {
    std::string why;
    if (!enterPrivateMountNamespace(why)) GTEST_SKIP() << "no private mount namespace here: " << why;
    const std::string folder = scratch / "photos";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    placePhoto(kWithThumbnail, folder);
    ReadOnlyBind readOnly(folder);
    if (!readOnly.made()) GTEST_SKIP() << "cannot make a read-only mount here: " << readOnly.why();
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), thumbnail.c_str(), 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardOutput, "Skipping readonly file '" + photo + "'\n");
    expectPhotoUntouched();
}

TEST_F(DriverFaults, BackupNameHeldByAFolderWithFilesIsNotRemovedAndNothingIsWritten) {
    placePhoto(kWithThumbnail, scratch.path());
    ASSERT_EQ(::mkdir(backup.c_str(), 0755), 0);
    writeFile(backup + "/keep.txt", {'k', 'e', 'e', 'p'});
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), thumbnail.c_str(), 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardError,
              "'" + backup + "' is not a file; it was left alone and the photo was not changed\n");
    EXPECT_EQ(fileBytes(photo), original);
    EXPECT_EQ(fileBytes(backup + "/keep.txt"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST_F(DriverFaults, ImmutableOlderBackupStaysAndNothingIsWritten) {
    placePhoto(kWithThumbnail, scratch.path());
    const std::vector<uint8_t> olderBackup = fileBytes(testPhoto(kWithoutExif));
    writeFile(backup, olderBackup);
    Immutable frozen(backup);
    if (!frozen.made()) GTEST_SKIP() << "no immutable attribute on this file system: " << frozen.why();
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), nullptr, 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardError, "Could not remove the older backup '" + backup + "'; the photo was not changed\n");
    EXPECT_EQ(fileBytes(photo), original);
    EXPECT_EQ(fileBytes(backup), olderBackup);
}

// Only a file or a link ever gives way to the backup: an empty folder of that name is someone's too.
TEST_F(DriverFaults, EmptyFolderUnderTheBackupNameStaysAndNothingIsWritten) {
    placePhoto(kWithThumbnail, scratch.path());
    ASSERT_EQ(::mkdir(backup.c_str(), 0755), 0);
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), thumbnail.c_str(), 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_TRUE(isDirectory(backup));
    EXPECT_EQ(fileBytes(photo), original);
}

// The thumbnail file is gone by the time the driver reads it: the fatal report comes before anything is
// written, also on the road through the minimal Exif block.
class ThumbnailVanished : public DriverFaults, public ::testing::WithParamInterface<const char*> {};

TEST_P(ThumbnailVanished, FatalBeforeAnythingIsWritten) {
    placePhoto(GetParam(), scratch.path());
    const std::string gone = scratch / "gone.jpg";
    bool fatal = false;
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), gone.c_str(), 1, &fatal); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_TRUE(endsWith(outcome.standardError, fatalReport("Could not read thumbnail file", photo)))
        << outcome.standardError;
    expectPhotoUntouched();
}

INSTANTIATE_TEST_SUITE_P(Driver, ThumbnailVanished, ::testing::Values(kWithThumbnail, kWithoutExif),
                         [](const auto& info) { return info.index == 0 ? "ThumbnailAtEnd" : "MinimalExif"; });

TEST_F(DriverFaults, ThumbnailReplacedByAFolderWritesNothing) {
    placePhoto(kWithThumbnail, scratch.path());
    const std::string folder = scratch / "folder.jpg";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), folder.c_str(), 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardError, "The new thumbnail '" + folder + "' is not a regular file\n");
    expectPhotoUntouched();
}

TEST_F(DriverFaults, PhotoReplacedByAFolderIsNotAJpegAndStaysAsItIs) {
    placePhoto(kWithThumbnail, scratch.path());
    ASSERT_EQ(::remove(photo.c_str()), 0);
    ASSERT_EQ(::mkdir(photo.c_str(), 0755), 0);
    writeFile(photo + "/inside.jpg", original);
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), thumbnail.c_str(), 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardError, "'" + photo + "' is not a regular file\n");
    EXPECT_TRUE(isDirectory(photo));
    EXPECT_EQ(fileBytes(photo + "/inside.jpg"), original);
    EXPECT_FALSE(exists(backup));
}

TEST_F(DriverFaults, PhotoGoneBeforeTheOperationIsReportedAndNothingIsMade) {
    placePhoto(kWithThumbnail, scratch.path());
    ASSERT_EQ(::remove(photo.c_str()), 0);
    const ChildOutcome outcome = runInChild([&] { return runFileOperation(photo.c_str(), thumbnail.c_str(), 1); });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.standardError, "ファイルが見つかりません。\n");
    EXPECT_FALSE(exists(photo));
    EXPECT_FALSE(exists(backup));
}

}  // namespace
}  // namespace lumivex::faults
