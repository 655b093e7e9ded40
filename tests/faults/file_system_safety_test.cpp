// The tool's edits in a folder that other users can write, on odd files and with a second run at work:
// nothing is written through a planted link, nothing but a regular file is edited, nothing the run did not
// create is removed, and the photo keeps its owner, group, permission bits and first backup.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "failing_calls.h"
#include "fault_support.h"
#include "lumivex/photo_edit.h"

namespace lumivex::faults {
namespace {

constexpr char kWithThumbnail[] = "canon-40d.jpg";

std::vector<uint8_t> jpegThumbnail() {
    std::vector<uint8_t> bytes(800, 0x42);
    bytes[0] = 0xFF;
    bytes[1] = 0xD8;
    bytes[798] = 0xFF;
    bytes[799] = 0xD9;
    return bytes;
}

class FileSystemSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        original = fileBytes(testPhoto(kWithThumbnail));
        photo = scratch / "photo.jpg";
        writeFile(photo, original);
        thumbnail = scratch / "thumb.jpg";
        writeFile(thumbnail, jpegThumbnail());
    }
    EditResult replace(const std::string& target, const std::string& with, bool backup = true, bool follow = false) {
        EditRequest request;
        request.command = EditCommand::Replace;
        request.photoPath = target;
        request.secondPath = with;
        request.keepBackup = backup;
        request.followLinks = follow;
        return editPhoto(request);
    }
    struct stat statOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }

    ScratchFolder scratch;
    std::vector<uint8_t> original;
    std::string photo;
    std::string thumbnail;
};

TEST_F(FileSystemSafety, NothingIsWrittenThroughALinkOrFolderAtTheOldTemporaryName) {
    const std::string victim = scratch / "victim.txt";
    writeFile(victim, {'m', 'i', 'n', 'e'});
    ASSERT_EQ(::symlink(victim.c_str(), (photo + ".new~").c_str()), 0);
    ASSERT_EQ(::mkdir((photo + ".tmp").c_str(), 0755), 0);
    const EditResult result = replace(photo, thumbnail);
    ASSERT_EQ(result.outcome, EditOutcome::Done) << result.message;
    EXPECT_EQ(fileBytes(victim), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
    EXPECT_TRUE(S_ISREG(statOf(photo).st_mode));
    EXPECT_EQ(fileBytes(photo + ".orig"), original);
}

struct Owner {
    const char* name;
    uid_t user;
    gid_t group;
    friend void PrintTo(const Owner& o, std::ostream* os) { *os << o.name; }
};

class OwnerKept : public FileSystemSafety, public ::testing::WithParamInterface<Owner> {};

TEST_P(OwnerKept, OnlyPermissionBitsAreCopiedAndTheOwnerIsKept) {
    const Owner& owner = GetParam();
    ASSERT_EQ(::chmod(photo.c_str(), 06750), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(photo.c_str(), owner.user, owner.group), 0);
    }
    ASSERT_EQ(replace(photo, thumbnail).outcome, EditOutcome::Done);
    const struct stat after = statOf(photo);
    EXPECT_EQ(after.st_mode & 07777, 0750u);
    if (root) {
        EXPECT_EQ(after.st_uid, owner.user);
        EXPECT_EQ(after.st_gid, owner.group);
    }
}

// Edited by root, a photo of root's group differs from the new file in its owner alone.
INSTANTIATE_TEST_SUITE_P(Owners, OwnerKept,
                         ::testing::Values(Owner{"UserAndGroup", 1234, 2345}, Owner{"UserOnly", 1234, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// A system call failing late in the edit, after the new file is written.
struct LateFailure {
    const char* name;
    SystemCall call;
    bool backup;
    friend void PrintTo(const LateFailure& c, std::ostream* os) { *os << c.name; }
};

class LateFailureTest : public FileSystemSafety, public ::testing::WithParamInterface<LateFailure> {};

TEST_P(LateFailureTest, FailsAndLeavesThePhotoAsItWasWithNothingBeside) {
    const LateFailure& c = GetParam();
    EditResult result;
    {
        FailingCall failing(c.call, EIO);
        result = replace(photo, thumbnail, c.backup);
    }
    EXPECT_EQ(result.outcome, EditOutcome::Failed) << result.message;
    EXPECT_EQ(fileBytes(photo), original);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"photo.jpg", "thumb.jpg"}));
}

INSTANTIATE_TEST_SUITE_P(SystemCalls, LateFailureTest,
                         ::testing::Values(LateFailure{"SyncWithoutBackup", SystemCall::Fsync, false},
                                           LateFailure{"FinalRename", SystemCall::Rename, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileSystemSafety, WhereNoHardLinkCanBeMadeTheBackupIsACopy) {
    EditResult result;
    {
        FailingCall failing(SystemCall::Link, EPERM);
        result = replace(photo, thumbnail);
    }
    ASSERT_EQ(result.outcome, EditOutcome::Done) << result.message;
    EXPECT_EQ(fileBytes(photo + ".orig"), original);
    EXPECT_NE(statOf(photo + ".orig").st_ino, statOf(photo).st_ino);
}

TEST_F(FileSystemSafety, ALinkGivenAsThePhotoIsFollowedOnlyWhereAllowed) {
    const std::string link = scratch / "link.jpg";
    ASSERT_EQ(::symlink(photo.c_str(), link.c_str()), 0);
    ASSERT_EQ(replace(link, thumbnail).outcome, EditOutcome::Failed);
    EXPECT_EQ(fileBytes(photo), original);
    ASSERT_EQ(replace(link, thumbnail, true, true).outcome, EditOutcome::Done);
    EXPECT_TRUE(S_ISLNK(statOf(link).st_mode));
    EXPECT_NE(fileBytes(photo), original);
    EXPECT_EQ(fileBytes(photo + ".orig"), original);
}

TEST_F(FileSystemSafety, AFifoAsThePhotoIsRefusedWithoutWaiting) {
    const std::string fifo = scratch / "fifo.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const ChildOutcome outcome = runInChild([&] {
        ::alarm(10);  // a hang would end the child with SIGALRM
        return static_cast<int>(replace(fifo, thumbnail).outcome);
    });
    ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
    EXPECT_EQ(outcome.result, static_cast<int>(EditOutcome::Failed));
}

// A thumbnail that is not a JPEG image changes nothing.
TEST_F(FileSystemSafety, ThumbnailsThatAreNoJpegAreRefused) {
    const std::string empty = scratch / "empty.jpg";
    const std::string text = scratch / "text.jpg";
    const std::string folder = scratch / "folder.jpg";
    writeFile(empty, {});
    writeFile(text, {'h', 'e', 'l', 'l', 'o', '\n'});
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const struct {
        std::string path;
        const char* says;
    } cases[] = {{empty, "is empty"},
                 {text, "does not begin with FF D8"},
                 {folder, "is not a regular file"},
                 {"/dev/zero", "is not a regular file"}};
    for (const auto& c : cases) {
        const EditResult result = replace(photo, c.path);
        EXPECT_EQ(result.outcome, EditOutcome::Refused) << c.path;
        EXPECT_NE(result.message.find(c.says), std::string::npos) << result.message;
    }
    EXPECT_EQ(fileBytes(photo), original);
    EXPECT_FALSE(exists(photo + ".orig"));
}

TEST_F(FileSystemSafety, TheFirstBackupIsKeptAndDeleteWithoutThumbnailWritesNothing) {
    ASSERT_EQ(replace(photo, thumbnail).outcome, EditOutcome::Done);
    EditRequest remove;
    remove.command = EditCommand::Delete;
    remove.photoPath = photo;
    ASSERT_EQ(editPhoto(remove).outcome, EditOutcome::Done);
    EXPECT_EQ(fileBytes(photo + ".orig"), original);
    const std::vector<uint8_t> deleted = fileBytes(photo);
    const struct stat before = statOf(photo);
    EXPECT_EQ(editPhoto(remove).outcome, EditOutcome::NothingToDo);
    EXPECT_EQ(fileBytes(photo), deleted);
    EXPECT_EQ(statOf(photo).st_ino, before.st_ino);  // not even rewritten
}

TEST_F(FileSystemSafety, WithoutABackupAndInADryRunNoOrigIsMade) {
    EditRequest dry;
    dry.photoPath = photo;
    dry.secondPath = thumbnail;
    dry.dryRun = true;
    EXPECT_EQ(editPhoto(dry).outcome, EditOutcome::Done);
    EXPECT_EQ(fileBytes(photo), original);
    EXPECT_EQ(replace(photo, thumbnail, false).outcome, EditOutcome::Done);
    EXPECT_NE(fileBytes(photo), original);
    EXPECT_FALSE(exists(photo + ".orig"));
}

TEST_F(FileSystemSafety, ExtendedAttributesFollowTheEdit) {
    if (::setxattr(photo.c_str(), "user.lumivex", "kept", 4, 0) != 0) GTEST_SKIP() << "no user attributes here";
    ASSERT_EQ(replace(photo, thumbnail).outcome, EditOutcome::Done);
    char value[8] = {};
    EXPECT_EQ(::getxattr(photo.c_str(), "user.lumivex", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
}

TEST_F(FileSystemSafety, ExportNeverReplacesOrRemovesWhatItDidNotCreate) {
    const std::string existing = scratch / "existing.jpg";
    writeFile(existing, {'x'});
    EditRequest request;
    request.command = EditCommand::Export;
    request.photoPath = photo;
    request.secondPath = existing;
    EXPECT_EQ(editPhoto(request).outcome, EditOutcome::Refused);
    EXPECT_EQ(fileBytes(existing), (std::vector<uint8_t>{'x'}));
    request.overwriteOutput = true;
    EXPECT_EQ(editPhoto(request).outcome, EditOutcome::Done);
    EXPECT_GT(fileBytes(existing).size(), 1u);

    const std::string device = scratch / "full";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) GTEST_SKIP() << "cannot make a device here";
    request.secondPath = device;
    EXPECT_EQ(editPhoto(request).outcome, EditOutcome::Failed);  // the device is always full
    EXPECT_TRUE(S_ISCHR(statOf(device).st_mode));
}

TEST_F(FileSystemSafety, TwoEditsAtOnceTakeTurnsAndTheOriginalSurvives) {
    const ChildOutcome first = runInChild([&] {
        std::thread other([&] { replace(photo, thumbnail); });
        const int mine = static_cast<int>(replace(photo, thumbnail).outcome);
        other.join();
        return mine;
    });
    ASSERT_TRUE(first.exited) << first.signal;
    EXPECT_EQ(fileBytes(photo + ".orig"), original);
    EXPECT_GT(fileBytes(photo).size(), 1000u);
}

}  // namespace
}  // namespace lumivex::faults
