#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "lumivex/file_services.h"
#include "lumivex/photo.h"
#include "lumivex/plan_writer.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using Bytes = std::vector<uint8_t>;

#ifdef O_BINARY
constexpr int kReadBytes = O_RDONLY | O_BINARY;  // a text-mode read would stop at the photo's first 0x1A byte
constexpr int kNewBytes = O_RDWR | O_CREAT | O_EXCL | O_BINARY;
#else
constexpr int kReadBytes = O_RDONLY;
constexpr int kNewBytes = O_RDWR | O_CREAT | O_EXCL;
#endif

std::vector<std::string> projectPhotos() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(LUMIVEX_TEST_DATA) + "/photos")) {
        if (entry.path().extension() == ".jpg") names.push_back(entry.path().string());
    }
    return names;
}

Bytes exifThumbnail(const Photo& photo, const Bytes& file) {
    for (const PreviewCopy& copy : photo.previews) {
        if (copy.kind == PreviewKind::Exif && copy.offset + copy.length <= file.size())
            return Bytes(file.begin() + static_cast<std::ptrdiff_t>(copy.offset),
                         file.begin() + static_cast<std::ptrdiff_t>(copy.offset + copy.length));
    }
    return {};
}

// Every plan made over the value, applied in memory, gives a photo that reads back with the edit made.
TEST(PhotoValue, PlansAppliedInMemoryReadBackAsEdited) {
    const Bytes donor = test::readFile(std::string(LUMIVEX_TEST_DATA) + "/photos/nikon-d70.jpg");
    Photo donorPhoto;
    std::string why;
    ASSERT_TRUE(readPhoto(donor, "donor", donorPhoto, why)) << why;
    const Bytes thumbnail = exifThumbnail(donorPhoto, donor);
    ASSERT_GT(thumbnail.size(), 1000u);
    int replaced = 0;
    for (const std::string& path : projectPhotos()) {
        SCOPED_TRACE(path);
        const Bytes file = test::readFile(path);
        Photo photo;
        ASSERT_TRUE(readPhoto(file, path, photo, why)) << why;
        EXPECT_EQ(photo.head, Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(photo.head.size())));
        const Bytes before = exifThumbnail(photo, file);
        if (!before.empty()) {
            EXPECT_EQ(Bytes(before.begin(), before.begin() + 2), (Bytes{0xFF, 0xD8}));
        }

        const EditPlan replace = planReplace(photo, thumbnail);
        if (replace.outcome == EditPlan::Outcome::Planned) {
            Bytes out;
            ASSERT_TRUE(applyPlan(file, replace.splices, out));
            Photo after;
            ASSERT_TRUE(readPhoto(out, path, after, why)) << why;
            EXPECT_EQ(exifThumbnail(after, out), thumbnail);
            ++replaced;
        }
        const EditPlan remove = planDelete(photo);
        ASSERT_NE(remove.outcome, EditPlan::Outcome::Refused) << remove.why;
        EXPECT_EQ(remove.outcome == EditPlan::Outcome::NothingToDo, before.empty());
        if (remove.outcome == EditPlan::Outcome::Planned) {
            Bytes out;
            ASSERT_TRUE(applyPlan(file, remove.splices, out));
            Photo after;
            ASSERT_TRUE(readPhoto(out, path, after, why)) << why;
            EXPECT_TRUE(after.previews.empty());
        }
    }
    EXPECT_GE(replaced, 5);
}

// The plan writer's file is the plan applied in memory, also where its whole-block head reaches the file's end
// (here: the image data cut to a few bytes).
TEST(PhotoValue, ThePlanWriterWritesThePlanAppliedInMemory) {
    const Bytes donor = test::readFile(std::string(LUMIVEX_TEST_DATA) + "/photos/nikon-d70.jpg");
    Photo donorPhoto;
    std::string why;
    ASSERT_TRUE(readPhoto(donor, "donor", donorPhoto, why)) << why;
    const Bytes thumbnail = exifThumbnail(donorPhoto, donor);
    test::TempDir dir;
    for (const std::string& path : projectPhotos()) {
        Bytes whole = test::readFile(path);
        Photo probe;
        if (!readPhoto(whole, path, probe, why)) continue;
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(probe.segments.imageDataOffset));
        cut.insert(cut.end(), {0x12, 0x34, 0xFF, 0xD9});
        for (const Bytes& file : {whole, cut}) {
            SCOPED_TRACE(path + (file.size() == whole.size() ? "" : " (cut)"));
            Photo photo;
            ASSERT_TRUE(readPhoto(file, path, photo, why)) << why;
            const EditPlan plan = planReplace(photo, thumbnail);
            if (plan.outcome != EditPlan::Outcome::Planned) continue;
            Bytes expected;
            ASSERT_TRUE(applyPlan(file, plan.splices, expected));
            test::writeFile(dir.path("in.jpg"), file);
            std::filesystem::remove(dir.path("out.jpg"));
            platform::OpenFile source(::open(dir.path("in.jpg").c_str(), kReadBytes));
            platform::OpenFile temp(::open(dir.path("out.jpg").c_str(), kNewBytes, 0600));
            uint64_t size = 0;
            ASSERT_TRUE(writePlan(source, plan.splices, temp, size, why)) << why;
            EXPECT_EQ(size, expected.size());
            EXPECT_EQ(test::readFile(dir.path("out.jpg")), expected);
        }
    }
}

// A head is read in growing steps: within the first step, within the second, and past both.
TEST(PhotoValue, ReadThroughADescriptorGivesTheSameValueAsTheBytes) {
    const Bytes small = test::readFile(std::string(LUMIVEX_TEST_DATA) + "/photos/canon-40d.jpg");
    Bytes large(small.begin(), small.begin() + 2);
    for (int i = 0; i < 2; ++i) {  // two comments of 60000 bytes in front of the rest
        const Bytes comment = {0xFF, 0xFE, 0xEA, 0x62};
        large.insert(large.end(), comment.begin(), comment.end());
        large.insert(large.end(), 60000, static_cast<uint8_t>('c'));
    }
    large.insert(large.end(), small.begin() + 2, small.end());
    const std::vector<std::pair<std::string, Bytes>> rows = {
        {"under 16 KiB", small},
        {"under 64 KiB", test::readFile(std::string(LUMIVEX_TEST_DATA) + "/photos/xmp-bluesquare.jpg")},
        {"over 64 KiB", large},
    };
    test::TempDir dir;
    for (const auto& [name, file] : rows) {
        SCOPED_TRACE(name);
        const std::string path = dir.path("photo.jpg");
        test::writeFile(path, file);
        Photo fromBytes;
        Photo fromDescriptor;
        std::string why;
        ASSERT_TRUE(readPhoto(file, "p", fromBytes, why)) << why;
        const int fd = ::open(path.c_str(), kReadBytes);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(readPhotoFromDescriptor(fd, "p", fromDescriptor, why)) << why;
        EXPECT_EQ(::lseek(fd, 0, SEEK_CUR) >= 0, true);  // still open: the caller's descriptor
        ::close(fd);
        EXPECT_EQ(fromDescriptor.head, fromBytes.head);
        EXPECT_EQ(fromDescriptor.segments.imageDataOffset, fromBytes.segments.imageDataOffset);
        ASSERT_EQ(fromDescriptor.previews.size(), fromBytes.previews.size());
        for (size_t i = 0; i < fromBytes.previews.size(); ++i) {
            EXPECT_EQ(fromDescriptor.previews[i].offset, fromBytes.previews[i].offset);
        }
    }
}

// The value keeps what was read when the engine goes on to another photo.
TEST(PhotoValue, AValueDoesNotChangeWhenAnotherPhotoIsRead) {
    const Bytes first = test::readFile(std::string(LUMIVEX_TEST_DATA) + "/photos/canon-40d.jpg");
    const Bytes second = test::readFile(std::string(LUMIVEX_TEST_DATA) + "/photos/olympus-no-exif.jpg");
    Photo a;
    Photo b;
    std::string why;
    ASSERT_TRUE(readPhoto(first, "a", a, why));
    const std::string make = a.info.cameraMake;
    ASSERT_TRUE(readPhoto(second, "b", b, why));
    EXPECT_EQ(std::string(a.info.cameraMake), make);
    EXPECT_EQ(a.previews.size(), 1u);
    EXPECT_TRUE(b.previews.empty());
}

// Edits start from the one parse of the read, which every copy of the value shares: an edit planned on it
// leaves it as read, so the next plan, on the value or a copy, comes out the same.
TEST(PhotoValue, PlansOnOneReadAndItsCopiesAgree) {
    const Bytes file = test::readFile(std::string(LUMIVEX_TEST_DATA) + "/photos/canon-40d.jpg");
    const Bytes donor = test::readFile(std::string(LUMIVEX_TEST_DATA) + "/photos/nikon-d70.jpg");
    Photo photo;
    Photo donorPhoto;
    std::string why;
    ASSERT_TRUE(readPhoto(file, "p", photo, why)) << why;
    ASSERT_TRUE(readPhoto(donor, "d", donorPhoto, why)) << why;
    const Photo copy = photo;
    const EditPlan first = planDelete(photo);
    ASSERT_EQ(first.outcome, EditPlan::Outcome::Planned) << first.why;
    ASSERT_EQ(planReplace(photo, exifThumbnail(donorPhoto, donor)).outcome, EditPlan::Outcome::Planned);
    for (const Photo* value : std::vector<const Photo*>{&photo, &copy}) {
        const EditPlan again = planDelete(*value);
        ASSERT_EQ(again.splices.splices.size(), first.splices.splices.size());
        for (size_t i = 0; i < again.splices.splices.size(); ++i) {
            EXPECT_EQ(again.splices.splices[i].offset, first.splices.splices[i].offset);
            EXPECT_EQ(again.splices.splices[i].bytes, first.splices.splices[i].bytes);
        }
    }
    const Photo unread;
    EXPECT_EQ(planDelete(unread).outcome, EditPlan::Outcome::Refused);
}

// The parse turns a UserComment's trailing blanks into NULs; the segment still counts as the file's own, and
// an edit keeps the blanks, wherever in a long comment they lie.
TEST(PhotoValue, AUserCommentPaddedWithBlanksKeepsThemThroughAnEdit) {
    for (const size_t blanks : {size_t{3}, size_t{300}, size_t{1000}}) {
        SCOPED_TRACE(blanks);
        test::ExifBuilder exif(ExifByteOrder::Intel);
        const int ifd0 = exif.addDirectory();
        const int sub = exif.addDirectory();
        const int ifd1 = exif.addDirectory();
        exif.addLink(ifd0, 0x8769, sub);
        Bytes comment{'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'h', 'i'};
        comment.insert(comment.end(), blanks, ' ');
        exif.addEntry(sub, 0x9286, FormatUndefined, static_cast<uint32_t>(comment.size()), comment);
        exif.setNext(ifd0, ifd1);
        exif.setThumbnail(ifd1, {0xFF, 0xD8, 0xFF, 0xD9});
        const Bytes file = test::JpegBuilder().exif(exif.segment()).image().bytes();
        Photo photo;
        std::string why;
        ASSERT_TRUE(readPhoto(file, "p", photo, why)) << why;
        const EditPlan remove = planDelete(photo);
        ASSERT_EQ(remove.outcome, EditPlan::Outcome::Planned) << remove.why;
        Bytes out;
        ASSERT_TRUE(applyPlan(file, remove.splices, out));
        EXPECT_NE(std::search(out.begin(), out.end(), comment.begin(), comment.end()), out.end());
    }
}

TEST(PhotoValue, BytesThatAreNotAPhotoSayWhy) {
    const Bytes notJpeg{'G', 'I', 'F', '8', '9', 'a'};
    const Bytes cut{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x40, 'E'};
    Photo photo;
    std::string why;
    EXPECT_FALSE(readPhoto(notJpeg, "x", photo, why));
    EXPECT_EQ(why, "not a JPEG file");
    EXPECT_FALSE(readPhoto(cut, "x", photo, why));
    EXPECT_FALSE(why.empty());
}

}  // namespace
}  // namespace lumivex
