#include "engine/platform/local_time.h"

namespace lumivex::platform {

bool localTime(std::time_t seconds, std::tm& local) { return localtime_r(&seconds, &local) != nullptr; }

}  // namespace lumivex::platform
