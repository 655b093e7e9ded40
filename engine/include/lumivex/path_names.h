// How this system spells a path: which characters separate its parts, and how a path splits into folder and
// name. The splitting is the same everywhere; only the two character tests are the platform's
// (path_names_posix.cpp, path_names_windows.cpp).
#pragma once

#include <cstddef>
#include <string>

namespace lumivex::platform {

// '/' everywhere; '\\' too on Windows.
bool isPathSeparator(char c);

// The ':' ending a drive ("C:photo.jpg" is photo.jpg in drive C's working folder) on Windows; none elsewhere.
bool isDriveSeparator(char c);

// The folder part of a path ("." for a bare name) and its last component.
std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);

// Where the name of the file begins: after the last separator or drive mark ("C:" of "C:photo.jpg" is no part
// of the name).
size_t nameStart(const std::string& path);

}  // namespace lumivex::platform
