// Outcomes into the caller's lvx_status, and the guard that keeps every exception inside the library.
#pragma once

#include <functional>
#include <string>

#include "lib/engine_bridge.h"
#include "lumivex/lumivex.h"

namespace lumivex::lib {

Outcome argumentError(std::string message);

// Copies the outcome into status (when given) and returns its code.
int report(lvx_status* status, const Outcome& outcome);

// Runs the call; an exception becomes LVX_E_MEMORY or LVX_E_INTERNAL with its text.
int guarded(lvx_status* status, const std::function<Outcome()>& call);

}  // namespace lumivex::lib
