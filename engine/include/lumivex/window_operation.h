// One user command on one JPEG file, from the path check to the file written back with its backup. This is the
// "driver": the one entry the window calls per command, which runs the reader, the edits and the writer in turn;
// the boxes it shows itself are the "driver messages" (lumivex/driver_messages.h).
#pragma once

namespace lumivex {

constexpr unsigned kMaxSourcePathBytes = 258;

// secondPath: the new thumbnail (replace), nullptr (delete) or the output file (export, replaceFlag 0).
// Returns 1 when the command was carried out, 0 when it was not. A fatal report ends the operation with 0
// after the clean-up and sets *fatal (when given), so that the window can end as its contract says.
int runFileOperation(const char* sourcePath, const char* secondPath, int replaceFlag, bool* fatal = nullptr);

}  // namespace lumivex
