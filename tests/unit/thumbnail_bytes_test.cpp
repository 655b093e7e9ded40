#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumivex/thumbnail_file.h"

namespace lumivex {
namespace {

// A new thumbnail begins with FF D8 and holds an FF D9 somewhere after it, wherever that lies.
TEST(ThumbnailBytes, OnlyAWholeJpegImageIsTaken) {
    struct Case {
        std::vector<uint8_t> bytes;
        bool taken;
        std::string why;
    };
    const Case cases[] = {
        {{}, false, "the new thumbnail is empty"},
        {{0xFF, 0xD8, 0xD9}, false, "the new thumbnail is not a JPEG image (it does not begin with FF D8)"},
        {{0x89, 'P', 'N', 'G'}, false, "the new thumbnail is not a JPEG image (it does not begin with FF D8)"},
        {{0xFF, 0xD8, 0xFF, 0xD9}, true, ""},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xD9, 0x00, 0x00}, true, ""},  // padded after its end marker
        {{0xFF, 0xD8, 0x00, 0xD9, 0xD9, 0xFF},
         false,
         "the new thumbnail is not a whole JPEG image (it has no end marker FF D9)"},
        {{0xFF, 0xD8, 0xFF, 0xD8, 0x00},
         false,
         "the new thumbnail is not a whole JPEG image (it has no end marker FF D9)"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(checkThumbnailBytes(c.bytes, why), c.taken) << c.why;
        EXPECT_EQ(why, c.why);
    }
}

}  // namespace
}  // namespace lumivex
