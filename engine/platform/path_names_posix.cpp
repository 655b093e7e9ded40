#include "lumivex/path_names.h"

namespace lumivex::platform {

bool isPathSeparator(char c) { return c == '/'; }

bool isDriveSeparator(char /*c*/) { return false; }

}  // namespace lumivex::platform
