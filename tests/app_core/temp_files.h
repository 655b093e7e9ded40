// A fresh folder per test, removed afterwards, with helpers to put test photos and plain bytes in it.
#pragma once

#include <filesystem>
#include <string>

#include "app/core/window_platform.h"

namespace lumivex::app::testing {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A writable copy of tests/data/photos/<photo> named `name` (UTF-8) in the folder.
    std::filesystem::path copyPhoto(const std::string& photo, const std::string& name) const;
    std::filesystem::path write(const std::string& name, const std::string& bytes) const;

  private:
    std::filesystem::path path_;
};

std::string readBytes(const std::filesystem::path& path);
WideText wide(const std::filesystem::path& path);

}  // namespace lumivex::app::testing
