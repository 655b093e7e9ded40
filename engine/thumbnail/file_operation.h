// The first steps of the window's operation (lumivex/window_operation.h), which the tool's reads share.
#pragma once

#include "engine/jpeg/photo_records.h"
#include "lumivex/window_operation.h"

namespace lumivex {

// The first steps of every operation: path check, fresh records (list emptied, photoInfo cleared with its
// "not given" fields, currentFileName set), file status, write-access test when asked, and the read.
// 1 when the photo is loaded; 0 after the report that says why not.
// loadMode: LoadAll for an edit; an export needs only the segments before the image data.
int readSourceFile(PhotoRecords& records, const char* sourcePath, bool needWriteAccess, int loadMode = LoadAll);

// The same for the tool, which reads without the window's path limit and says what is wrong in a report
// line instead of a box: fresh records, the file's status and the read. 1 when the photo is loaded.
int readPhotoFile(PhotoRecords& records, const char* path, int loadMode);

}  // namespace lumivex
