#include "app/core/driver_boxes.h"

#include "app/core/utf16.h"
#include "lumivex/driver_messages.h"

namespace lumivex::app {

namespace {

// The engine's sink is a plain function; the window's thread is the only one that sets or uses this.
WindowPlatform* driverBoxPlatform = nullptr;

void showDriverBox(const char* utf8Text) {
    if (driverBoxPlatform == nullptr) return;
    driverBoxPlatform->showEngineMessage(utf16FromUtf8(utf8Text != nullptr ? utf8Text : ""));
}

}  // namespace

void routeDriverMessagesTo(WindowPlatform* platform) {
    driverBoxPlatform = platform;
    setDriverMessageSink(platform != nullptr ? &showDriverBox : nullptr);
}

}  // namespace lumivex::app
