// The new thumbnail as it comes in, and an exported one as it goes out.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumivex {

// Far more than any Exif segment holds (65,533 bytes), so that whether a thumbnail fits is said by the edit,
// in its own words; only a file that could never fit is not read at all.
constexpr uint64_t kMaxThumbnailFileBytes = 16u << 20;

// Only a non-empty regular file that starts with FF D8 and holds an FF D9 can be a JPEG thumbnail; anything
// else (a folder, a device, an empty or a text file) is refused with why saying what is wrong.
bool readThumbnailFile(const char* path, std::vector<uint8_t>& bytes, std::string& why);
bool checkThumbnailBytes(std::span<const uint8_t> bytes, std::string& why);

// Writes a new file at path: an exclusive temporary file beside it (mode 0666 less the umask), renamed onto
// the name once whole, so that nobody ever sees half of it. An existing path is replaced only with replace,
// and only when it is a regular file or a symbolic link (the link itself: nothing is written through it);
// folders, FIFOs and devices are refused. False with why on any failure; nothing is left behind.
bool writeOutputFile(const char* path, const uint8_t* bytes, uint64_t length, bool replace, std::string& why);

// Writes the thumbnail to outPath as writeOutputFile does, or to standard output for "-" (flushed, never
// closed, so that more may follow).
bool writeThumbnailFile(const uint8_t* bytes, uint64_t length, const char* outPath, bool overwrite, std::string& why);

}  // namespace lumivex
