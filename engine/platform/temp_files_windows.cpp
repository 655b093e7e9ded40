#include <io.h>

#include "engine/platform/temp_files.h"

namespace lumivex::platform {

void unlinkFromSignalHandler(const char* path) { ::_unlink(path); }

}  // namespace lumivex::platform
