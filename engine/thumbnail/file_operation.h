// One user command on one JPEG file, from the path check to the file written back with its backup. This is the
// "driver": the one entry the window calls per command, which runs the reader, the edits and the writer in turn;
// the boxes it shows itself are the "driver messages".
#pragma once

#include "engine/jpeg/photo_records.h"

namespace lumivex {

constexpr unsigned kMaxSourcePathBytes = 258;

// secondPath: the new thumbnail (replace), nullptr (delete) or the output file (export, replaceFlag 0).
// Returns 1 when the command was carried out, 0 when it was not. A fatal report ends the operation with 0
// after the clean-up and sets *fatal (when given), so that the window can end as its contract says.
int runFileOperation(const char* sourcePath, const char* secondPath, int replaceFlag, bool* fatal = nullptr);

// The first steps of every operation: path check, fresh records (list emptied, photoInfo cleared with its
// "not given" fields, currentFileName set), file status, write-access test when asked, and the read.
// 1 when the photo is loaded; 0 after the report that says why not.
// loadMode: LoadAll for an edit; an export needs only the segments before the image data.
int readSourceFile(PhotoRecords& records, const char* sourcePath, bool needWriteAccess, int loadMode = LoadAll);

// The same for the tool, which reads without the window's path limit and says what is wrong in a report
// line instead of a box: fresh records, the file's status and the read. 1 when the photo is loaded.
int readPhotoFile(PhotoRecords& records, const char* path, int loadMode);

}  // namespace lumivex
