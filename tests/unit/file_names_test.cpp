#include "engine/platform/file_names.h"

#include <gtest/gtest.h>

namespace lumivex::platform {
namespace {

TEST(FileNames, PathSplitsIntoFolderAndName) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    };
    for (const Case& c : {Case{"photo.jpg", ".", "photo.jpg"}, Case{"/photo.jpg", "/", "photo.jpg"},
                          Case{"a/b/photo.jpg", "a/b", "photo.jpg"}, Case{"a/", "a", ""}}) {
        EXPECT_EQ(folderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(nameOf(c.path), c.name) << c.path;
    }
}

// The temporary name does not grow with the photo's, so a photo of the longest name can still be edited.
TEST(FileNames, TemporaryNamesHaveOneLengthAndAreKnownAgain) {
    const std::string name = temporaryName();
    EXPECT_EQ(name.size(), 21u);
    EXPECT_TRUE(isTemporaryName(name));
    EXPECT_NE(temporaryName(), name);
}

// Beside the photo, in its own folder: the rename that puts it in the photo's place never crosses a volume.
TEST(FileNames, TemporaryPathLiesInThePhotosFolder) {
    for (const std::string path : {"photo.jpg", "/photo.jpg", "a/b/photo.jpg"}) {
        const std::string temp = temporaryPathBeside(path);
        EXPECT_EQ(folderOf(temp), folderOf(path)) << temp;
        std::string marked = ".";
        marked += nameOf(path);
        marked += ".lumivex-";
        EXPECT_TRUE(nameOf(temp).starts_with(marked)) << temp;
        EXPECT_TRUE(isTemporaryName(nameOf(temp))) << temp;
    }
}

TEST(FileNames, OnlyOurTemporaryNamesAreRecognised) {
    struct Case {
        const char* name;
        bool ours;
    };
    for (const Case& c :
         {Case{".lumivex-abcdef012345", true}, Case{".photo.jpg.lumivex-aBcDeF012345", true},
          Case{".lumivex-abcdef01234", false}, Case{".lumivex-abcdef01234-", false},
          Case{"lumivex-abcdef012345", false}, Case{".photo.jpg", false}, Case{".x.lumivex-abc.ef012345", false}}) {
        EXPECT_EQ(isTemporaryName(c.name), c.ours) << c.name;
    }
}

}  // namespace
}  // namespace lumivex::platform
