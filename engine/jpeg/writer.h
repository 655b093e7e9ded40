// Writes sectionList back out as a JPEG file.
#pragma once

namespace lumivex {

// Writes SOI, a JFIF header unless the list begins with APP0 or APP1, every segment, then the image data.
// Ends the process when nothing can be written; returns false when the file could not be written whole
// (disk full, I/O error), so that the caller can put the original back.
bool saveJpegFile(const char* path);

}  // namespace lumivex
