// The engine's own messages ("ファイルが見つかりません。" and the like) shown as error boxes without owner or
// caption of their own.
#pragma once

#include "app/core/window_platform.h"

namespace lumivex::app {

// Routes the engine's driver messages to `platform`; nullptr restores the engine's default (standard error).
// The platform must outlive the routing.
void routeDriverMessagesTo(WindowPlatform* platform);

}  // namespace lumivex::app
