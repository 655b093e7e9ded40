#include "lumivex/driver_messages.h"

#include "engine/diag/diag.h"

namespace lumivex {

namespace {

// Without a front end's own sink a message is one more report line (standard error by default).
void writeLineToStderr(const char* utf8Text) { reportLine(utf8Text); }

// Set once by the front end at start (the window shows boxes, the tool writes lines); one for the process.
DriverMessageSink messageSink = writeLineToStderr;

}  // namespace

void setDriverMessageSink(DriverMessageSink sink) { messageSink = sink ? sink : writeLineToStderr; }

void showDriverMessage(const char* utf8Text) { messageSink(utf8Text); }

}  // namespace lumivex
