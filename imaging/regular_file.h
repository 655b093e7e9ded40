// Opens a photo to decode without waiting on what is not a file: a FIFO or a device put where a photo was
// expected is refused. The system calls are in regular_file_posix.cpp; the Windows codec opens its own.
#pragma once

#include <cstdio>
#include <string>

namespace lumivex::imaging {

// A stream on the regular file at path, or nullptr with error set to the text to show.
std::FILE* openRegularFile(const std::string& path, std::string& error);

}  // namespace lumivex::imaging
