#include "lumivex/path_names.h"

namespace lumivex::platform {

// The system takes either separator.
bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

bool isDriveSeparator(char c) { return c == ':'; }

}  // namespace lumivex::platform
