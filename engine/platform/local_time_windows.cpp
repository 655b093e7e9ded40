#include "engine/platform/local_time.h"

namespace lumivex::platform {

bool localTime(std::time_t seconds, std::tm& local) { return localtime_s(&local, &seconds) == 0; }

}  // namespace lumivex::platform
