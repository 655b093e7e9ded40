// Ctrl-C and SIGTERM end a run between photos: the photos in progress finish, no new one starts. A second
// one ends the run at once, removing the temporary files it had made.
#pragma once

namespace lumivex::cli {

void catchInterrupts();
bool interrupted();

}  // namespace lumivex::cli
