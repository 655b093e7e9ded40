// Test files and byte-level looks at JPEG output, shared by the imaging tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lumivex::imaging::test {

inline std::string dataPath(const std::string& name) { return std::string(LUMIVEX_IMAGING_DATA) + "/" + name; }

inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The markers of the segments before the image data, in order (SOI first).
inline std::vector<int> headerMarkers(const std::vector<uint8_t>& jpeg) {
    std::vector<int> markers;
    size_t off = 0;
    while (off + 4 <= jpeg.size() && jpeg[off] == 0xFF) {
        const int marker = jpeg[off + 1];
        markers.push_back(marker);
        if (marker == 0xD8) {
            off += 2;
            continue;
        }
        if (marker == 0xDA) break;
        off += 2 + ((size_t{jpeg[off + 2]} << 8) | jpeg[off + 3]);
    }
    return markers;
}

}  // namespace lumivex::imaging::test
