// The temporary files this process has made and not yet renamed or removed, so that a run ended at once (a
// second Ctrl-C) leaves none of them behind. Filled by the file services; emptied from a signal handler.
#pragma once

#include "lumivex/file_services.h"

namespace lumivex::platform {

// Paths longer than the registry holds, or more files at once than it has places for, are not remembered:
// they are left as a killed run would leave them.
void rememberTempFile(const char* path);
void forgetTempFile(const char* path);

// Removes the name with the one system call a signal handler may make (temp_files_posix.cpp,
// temp_files_windows.cpp).
void unlinkFromSignalHandler(const char* path);

}  // namespace lumivex::platform
