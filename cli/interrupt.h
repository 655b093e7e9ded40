// Ctrl-C and SIGTERM end a run between photos: the photos in progress finish, no new one starts.
#pragma once

namespace lumivex::cli {

void catchInterrupts();
bool interrupted();

}  // namespace lumivex::cli
