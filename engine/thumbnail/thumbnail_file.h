// The new thumbnail as it comes in, and an exported one as it goes out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

// Far more than any Exif segment holds (65,533 bytes), so that whether a thumbnail fits is said by the edit,
// in its own words; only a file that could never fit is not read at all.
constexpr uint64_t kMaxThumbnailFileBytes = 16u << 20;

// Only a non-empty regular file that starts with FF D8 and holds an FF D9 can be a JPEG thumbnail; anything
// else (a folder, a device, an empty or a text file) is refused with why saying what is wrong.
bool readThumbnailFile(const char* path, std::vector<uint8_t>& bytes, std::string& why);
bool checkThumbnailBytes(const std::vector<uint8_t>& bytes, std::string& why);

// Writes the thumbnail to outPath, or to standard output for "-" (flushed, never closed, so that more may
// follow). An existing outPath is replaced only with overwrite; a file that this call did not create is
// never removed, whatever fails.
bool writeThumbnailFile(const uint8_t* bytes, uint64_t length, const char* outPath, bool overwrite, std::string& why);

}  // namespace lumivex
