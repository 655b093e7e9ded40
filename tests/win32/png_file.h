// Writes a screenshot as a PNG file (uncompressed deflate blocks: no library needed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex::test {

// `rgb`: width × height pixels, three bytes each, rows from the top. False when the file cannot be written.
bool writePngFile(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace lumivex::test
