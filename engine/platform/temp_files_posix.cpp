#include <unistd.h>

#include "engine/platform/temp_files.h"

namespace lumivex::platform {

void unlinkFromSignalHandler(const char* path) { ::unlink(path); }

}  // namespace lumivex::platform
