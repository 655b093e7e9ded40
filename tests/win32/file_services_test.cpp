// The engine's Windows file services with 8-bit paths in the ANSI code page (932 here).
#include "engine/platform/file_services.h"

#include <string>

#include "tests/win32/window_fixture.h"

namespace lumivex::test {
namespace {

// The ANSI form of a wide path, as the window hands it to the engine.
std::string ansi(const std::wstring& path) {
    const int size = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

TEST(FileServicesTest, StatusTimesAndWriteAccessOfAJapaneseNamedFile) {
    TempFolder folder;
    const std::wstring wide = folder.file(L"写真.jpg");
    writeFileBytes(wide, std::vector<std::uint8_t>(1234, 0xAB));
    const std::string path = ansi(wide);

    platform::FileStatus status;
    ASSERT_TRUE(platform::statFile(path.c_str(), status));
    EXPECT_EQ(status.size, 1234);
    EXPECT_FALSE(status.isDirectory);
    EXPECT_TRUE(platform::canWriteFile(path.c_str()));

    ASSERT_TRUE(platform::setFileTimes(path.c_str(), 1300000000, 0));
    ASSERT_TRUE(platform::statFile(path.c_str(), status));
    EXPECT_EQ(status.modifiedSeconds, 1300000000);

    // A mode without write permission marks the file read-only, and the driver then leaves it alone.
    ASSERT_TRUE(platform::setFileMode(path.c_str(), 0444));
    EXPECT_FALSE(platform::canWriteFile(path.c_str()));
    EXPECT_NE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_TRUE(platform::setFileMode(path.c_str(), 0644));
    EXPECT_TRUE(platform::canWriteFile(path.c_str()));

    ASSERT_TRUE(platform::statFile(ansi(folder.path()).c_str(), status));
    EXPECT_TRUE(status.isDirectory);
    EXPECT_FALSE(platform::statFile(ansi(folder.file(L"ない.jpg")).c_str(), status));
}

}  // namespace
}  // namespace lumivex::test
