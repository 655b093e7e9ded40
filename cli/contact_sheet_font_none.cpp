// The sheet's labels where the tool looks for no font file (the Windows build): the built-in font only.
#include "cli/contact_sheet_font.h"

namespace lumivex::cli {

struct SheetFont::Faces {};

SheetFont::SheetFont(const std::vector<std::string>&) {}
SheetFont::~SheetFont() = default;

bool SheetFont::usesFontFiles() const { return false; }

void SheetFont::drawLine(imaging::Image& sheet, int x, int y, std::string_view text, int maxWidth,
                         uint8_t level) const {
    drawBuiltinLine(sheet, x, y, text, maxWidth, level);
}

std::vector<std::string> systemSheetFonts() { return {}; }

}  // namespace lumivex::cli
