// Writes a photo's section list back out as a JPEG file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/jpeg/photo_records.h"

namespace lumivex {

// Writes SOI, a JFIF header unless the list begins with APP0 or APP1, every segment, then the image data to
// out. imageSource is the photo as read, for image data left in the file (LoadImageLater); it must still hold
// exactly the bytes it held at the read. False when anything could not be written whole (disk full, I/O
// error, the photo changed meanwhile), so that the caller can keep the original.
bool writeJpeg(const PhotoRecords& records, std::FILE* out, std::FILE* imageSource);

// Everything before the image data: SOI, the JFIF header where needed and every segment; and its size.
bool writeJpegHeader(const PhotoRecords& records, std::FILE* out);
uint64_t jpegHeaderSize(const PhotoRecords& records);

// The same into a new file at path, with the image data taken from the file the list was read from.
// A fatal report when nothing can be written.
bool saveJpegFile(const PhotoRecords& records, const char* path);

}  // namespace lumivex
