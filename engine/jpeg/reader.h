// Reads a JPEG file into a photo's records: its segments up to SOS, then the rest of the file as one block.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "engine/jpeg/photo_records.h"

namespace lumivex {

// Non-zero when the file was read up to SOS; 0 (with the reason on standard error) otherwise.
int loadJpegFile(PhotoRecords& records, const char* path, int mode);
// 1 when SOS was reached; 0 when the stream is not a JPEG or ends its image before any SOS.
int readSections(PhotoRecords& records, std::FILE* stream, int mode);
// The same over a file's bytes in memory (the image data is read from them too when the mode asks for it).
int readSectionsFromBytes(PhotoRecords& records, std::span<const uint8_t> bytes, int mode);
// Keeps the text of a COM segment in photoInfo.comment.
void storeJpegComment(PhotoInfo& photoInfo, const uint8_t* data, int32_t size);

}  // namespace lumivex
