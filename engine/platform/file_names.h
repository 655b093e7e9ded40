// The portable part of the file services: how a path splits into folder and name, and the names of this
// program's temporary files. The platform files keep only the system calls.
#pragma once

#include <string>

#include "lumivex/path_names.h"

namespace lumivex::platform {

// A fresh temporary name, unpredictable and of one length whatever the photo's name, so that every name the
// file system allows can be edited: ".lumivex-" and 12 letters or digits.
std::string temporaryName();

// A fresh temporary path beside path, in its folder: ".NAME.lumivex-" and 12 letters or digits.
std::string temporaryPathBeside(const std::string& path);

// True for a name either of the above gives.
bool isTemporaryName(const std::string& name);

}  // namespace lumivex::platform
