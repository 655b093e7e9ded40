// The calendar time in the local zone, safe to call from several threads at once: the C library's localtime
// shares one result between threads (and reloads the zone each call). The platform's reentrant form is in
// local_time_posix.cpp and local_time_windows.cpp.
#pragma once

#include <ctime>

namespace lumivex::platform {

bool localTime(std::time_t seconds, std::tm& local);

}  // namespace lumivex::platform
