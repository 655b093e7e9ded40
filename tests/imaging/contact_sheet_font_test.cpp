// The contact sheet's labels: a Japanese name drawn as itself with the system's fonts, the built-in font when
// none is found, and every label inside its width.
#include "cli/contact_sheet_font.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/terminal_text.h"

namespace lumivex::cli {
namespace {

constexpr int kWidth = 200;
constexpr int kLeft = 10;
constexpr int kMaxWidth = 150;
constexpr uint8_t kPaper = 0;

imaging::Image drawn(const SheetFont& font, const std::string& text) {
    imaging::Image image{kWidth, SheetFont::kLineHeight, 3, {}};
    image.pixels.assign(static_cast<std::size_t>(kWidth) * SheetFont::kLineHeight * 3, kPaper);
    font.drawLine(image, kLeft, 0, text, kMaxWidth, 255);
    return image;
}

// Inked pixels in the columns [from, to).
int ink(const imaging::Image& image, int from, int to) {
    int count = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = from; x < to; ++x)
            count += image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3] != kPaper;
    }
    return count;
}

struct LabelCase {
    const char* name;
    std::vector<std::string> fonts;
    const char* text;
    bool fromFontFiles;  // and so Japanese drawn as itself, not as its code
};

void PrintTo(const LabelCase& c, std::ostream* out) { *out << c.name; }

class SheetLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(SheetLabel, IsDrawnInsideItsWidth) {
    const LabelCase& c = GetParam();
    const SheetFont font(c.fonts);
    ASSERT_EQ(font.usesFontFiles(), c.fromFontFiles) << "the sheet's fonts come from fonts-dejavu-core and "
                                                        "fonts-ipafont-gothic (tools/install-packages.sh)";
    const imaging::Image label = drawn(font, c.text);
    EXPECT_GT(ink(label, kLeft, kLeft + kMaxWidth), 20);
    EXPECT_EQ(ink(label, 0, kLeft) + ink(label, kLeft + kMaxWidth, kWidth), 0);
    // A character drawn as itself looks otherwise than its code written out.
    EXPECT_EQ(label.pixels != drawn(font, asciiText(c.text)).pixels, c.fromFontFiles);
}

std::vector<LabelCase> cases() {
    std::vector<LabelCase> rows = {
        {"NoFontFoundTheBuiltInFontStillDraws", {"/nonexistent/font.ttf"}, "写真 1.jpg", false},
        {"NoFontFoundALongNameKeepsItsEnd", {}, "2026-12-07 holiday at the sea, day one, 写真 1.jpg", false},
    };
#ifndef _WIN32  // the Windows tool keeps its built-in font
    rows.push_back({"JapaneseDrawnAsItself", systemSheetFonts(), "写真 1.jpg", true});
    rows.push_back(
        {"ALongNameKeepsItsEnd", systemSheetFonts(), "2026-12-07 holiday at the sea, day one, 写真 1.jpg", true});
#endif
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Fonts, SheetLabel, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<LabelCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumivex::cli
