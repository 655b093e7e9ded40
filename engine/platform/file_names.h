// The portable part of the file services: how a path splits into folder and name, and the names of this
// program's temporary files. The platform files keep only the system calls.
#pragma once

#include <string>

namespace lumivex::platform {

// The folder part of a path ("." for a bare name) and its last component.
std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);

// A fresh temporary name, unpredictable and of one length whatever the photo's name, so that every name the
// file system allows can be edited: ".lumivex-" and 12 letters or digits.
std::string temporaryName();

// True for a name temporaryName() gives, and for the longer ".PHOTO.lumivex-XXXXXXXXXXXX" of earlier versions.
bool isTemporaryName(const std::string& name);

}  // namespace lumivex::platform
