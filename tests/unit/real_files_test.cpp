#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <utility>

#include "engine/jpeg/sections.h"
#include "engine/jpeg/writer.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;

// What the reader keeps of a file, found independently: each segment up to SOS with its marker, the rest raw.
struct Split {
    std::vector<std::pair<uint8_t, Bytes>> segments;
    Bytes rest;
};

Split split(const Bytes& file) {
    Split out;
    size_t pos = 2;
    while (pos + 4 <= file.size()) {
        while (file[pos] == 0xFF && file[pos + 1] == 0xFF) ++pos;
        const uint8_t marker = file[pos + 1];
        const size_t length = file[pos + 2] * 256u + file[pos + 3];
        out.segments.emplace_back(marker, Bytes(file.begin() + pos, file.begin() + pos + 2 + length));
        pos += 2 + length;
        if (marker == 0xDA) break;
    }
    out.rest.assign(file.begin() + pos, file.end());
    return out;
}

bool startsWith(const Bytes& segment, const char* id) {
    const size_t n = std::strlen(id);
    return segment.size() >= 4 + n && std::memcmp(segment.data() + 4, id, n) == 0;
}

// Reading and writing a real photo without an edit changes only what the reader drops by design.
TEST(RealFiles, WrittenBackUnchangedButForWhatTheReaderDrops) {
    test::TempDir dir;
    int photos = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::testDataPath("photos"))) {
        if (entry.path().extension() != ".jpg") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++photos;
        const Bytes input = test::readFile(entry.path().string());
        ::testing::internal::CaptureStderr();
        PhotoRecords records;
        ASSERT_EQ(test::loadForTest(records, entry.path().string()), 1);
        ASSERT_TRUE(saveJpegFile(records, dir.path("out.jpg").c_str()));
        ::testing::internal::GetCapturedStderr();
        const Bytes output = test::readFile(dir.path("out.jpg"));

        Bytes expected{0xFF, 0xD8};
        bool commentKept = false;
        bool first = true;
        const Split parts = split(input);
        for (const auto& [marker, bytes] : parts.segments) {
            if (marker == 0xE0) continue;
            if (marker == 0xE1 && !startsWith(bytes, "Exif") && !startsWith(bytes, "http:")) continue;
            if (marker == 0xFE && std::exchange(commentKept, true)) continue;
            if (first && marker != 0xE1) {
                // The writer puts its own 18-byte JFIF header in front; its density comes from the file.
                ASSERT_GE(output.size(), expected.size() + 18);
                const Bytes header(output.begin() + 2, output.begin() + 20);
                EXPECT_EQ(Bytes(header.begin(), header.begin() + 11),
                          (Bytes{0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1}));
                expected.insert(expected.end(), header.begin(), header.end());
            }
            first = false;
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        expected.insert(expected.end(), parts.rest.begin(), parts.rest.end());
        EXPECT_EQ(output.size(), expected.size());
        EXPECT_TRUE(output == expected);
    }
    EXPECT_GE(photos, 8);
}

}  // namespace
}  // namespace lumivex
