#include "temp_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>

#include "app/core/utf16.h"

namespace lumivex::app::testing {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumivex-core-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a temporary folder";
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::filesystem::path TempFolder::copyPhoto(const std::string& photo, const std::string& name) const {
    const std::filesystem::path target = path_ / name;  // names are UTF-8 bytes on the build machine
    std::filesystem::copy_file(std::filesystem::path(LUMIVEX_TEST_DATA) / "photos" / photo, target);
    std::filesystem::permissions(target, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    return target;
}

std::filesystem::path TempFolder::write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path target = path_ / name;  // names are UTF-8 bytes on the build machine
    std::ofstream(target, std::ios::binary) << bytes;
    return target;
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

WideText wide(const std::filesystem::path& path) { return utf16FromUtf8(path.string()); }

}  // namespace lumivex::app::testing
