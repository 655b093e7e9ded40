#include "engine/thumbnail/driver_messages.h"

#include <cstdio>

namespace lumivex {

namespace {

void writeLineToStderr(const char* utf8Text) {
    std::fputs(utf8Text, stderr);
    std::fputc('\n', stderr);
}

// Set once by the front end at start (the window shows boxes, the tool writes lines); one for the process.
DriverMessageSink messageSink = writeLineToStderr;

}  // namespace

void setDriverMessageSink(DriverMessageSink sink) { messageSink = sink ? sink : writeLineToStderr; }

void showDriverMessage(const char* utf8Text) { messageSink(utf8Text); }

}  // namespace lumivex
