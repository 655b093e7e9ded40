// The font of the contact sheet's labels: font files of the system where they are found, so that a name like
// "写真 1.jpg" reads as itself; the tool's own ASCII bitmap font where none is (or on Windows).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/image.h"

namespace lumivex::cli {

class SheetFont {
  public:
    // The files of this list that load, in order: each character is drawn from the first that has it. With
    // none of them, the built-in font draws printable ASCII and writes every other character as its code.
    explicit SheetFont(const std::vector<std::string>& fontFiles);
    ~SheetFont();
    SheetFont(const SheetFont&) = delete;
    SheetFont& operator=(const SheetFont&) = delete;

    bool usesFontFiles() const;

    // One line of UTF-8 text with its top-left corner at (x, y) in grey `level`, at most `maxWidth` pixels
    // wide: a longer text gives up its beginning to "..." (the end of a file name says most).
    void drawLine(imaging::Image& sheet, int x, int y, std::string_view text, int maxWidth, uint8_t level) const;

    static constexpr int kLineHeight = 16;

  private:
    struct Faces;
    std::unique_ptr<Faces> faces_;
};

// Where Debian's font packages put fonts for Latin (fonts-dejavu-core) and Japanese (fonts-noto-cjk,
// fonts-ipafont-gothic), Latin first; empty where the tool does not look for system fonts.
std::vector<std::string> systemSheetFonts();

// The built-in font: printable ASCII, every other character as its code (\uXXXX, \xHH for a stray byte).
void drawBuiltinLine(imaging::Image& sheet, int x, int y, std::string_view text, int maxWidth, uint8_t level);

}  // namespace lumivex::cli
