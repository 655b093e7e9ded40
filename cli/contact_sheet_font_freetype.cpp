// The sheet's labels drawn with FreeType from the system's font files, greys blended onto the sheet.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>

#include "cli/contact_sheet_font.h"
#include "cli/terminal_text.h"
#include "lumivex/utf8.h"

namespace lumivex::cli {

namespace {

constexpr int kPixelSize = 13;

struct Glyph {
    FT_Face face;
    FT_UInt index;
    int advance;
};

}  // namespace

struct SheetFont::Faces {
    FT_Library library = nullptr;
    std::vector<FT_Face> faces;
    int baseline = 0;  // from the top of the line

    ~Faces() {
        for (FT_Face face : faces) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }

    // The first face that has the character, with its advance; false when none has it.
    bool append(char32_t code, std::vector<Glyph>& glyphs) const {
        for (FT_Face face : faces) {
            const FT_UInt index = FT_Get_Char_Index(face, code);
            if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP) != 0) continue;
            glyphs.push_back({face, index, static_cast<int>((face->glyph->advance.x + 32) >> 6)});
            return true;
        }
        return false;
    }

    // The text's characters as glyphs; a control, a stray byte or a character no face has comes as its code.
    std::vector<Glyph> shape(std::string_view text) const {
        std::vector<Glyph> glyphs;
        for (std::size_t i = 0; i < text.size();) {
            const unsigned char lead = static_cast<unsigned char>(text[i]);
            std::size_t length = 1;
            char32_t code = 0;
            if (lead >= 0x20 && lead < 0x7F) {
                code = lead;
            } else if (const utf8::CodePoint point = utf8::decode(text, i); point.length > 1) {
                length = point.length;
                code = point.code < 0xA0 ? 0 : point.code;  // C1 controls
            }
            if (code == 0 || !append(code, glyphs)) {
                for (const char c : asciiText(text.substr(i, length))) append(static_cast<unsigned char>(c), glyphs);
            }
            i += length;
        }
        return glyphs;
    }
};

SheetFont::SheetFont(const std::vector<std::string>& fontFiles) : faces_(std::make_unique<Faces>()) {
    if (FT_Init_FreeType(&faces_->library) != 0) {
        faces_->library = nullptr;
        return;
    }
    for (const std::string& file : fontFiles) {
        FT_Face face = nullptr;
        if (FT_New_Face(faces_->library, file.c_str(), 0, &face) != 0) continue;
        if (!FT_IS_SCALABLE(face) || FT_Set_Pixel_Sizes(face, 0, kPixelSize) != 0) {
            FT_Done_Face(face);
            continue;
        }
        faces_->faces.push_back(face);
        faces_->baseline = std::max(faces_->baseline, static_cast<int>((face->size->metrics.ascender + 63) >> 6));
    }
    faces_->baseline = std::min(faces_->baseline, kLineHeight - 2);
}

SheetFont::~SheetFont() = default;

bool SheetFont::usesFontFiles() const { return !faces_->faces.empty(); }

void SheetFont::drawLine(imaging::Image& sheet, int x, int y, std::string_view text, int maxWidth,
                         uint8_t level) const {
    if (!usesFontFiles()) return drawBuiltinLine(sheet, x, y, text, maxWidth, level);
    std::vector<Glyph> glyphs = faces_->shape(text);
    const auto width = [](const std::vector<Glyph>& run, std::size_t from) {
        int sum = 0;
        for (std::size_t i = from; i < run.size(); ++i) sum += run[i].advance;
        return sum;
    };
    if (width(glyphs, 0) > maxWidth) {
        std::vector<Glyph> shown = faces_->shape("...");
        const int room = maxWidth - width(shown, 0);
        std::size_t from = 0;
        while (from < glyphs.size() && width(glyphs, from) > room) ++from;
        shown.insert(shown.end(), glyphs.begin() + static_cast<std::ptrdiff_t>(from), glyphs.end());
        glyphs = std::move(shown);
    }
    int pen = x;
    for (const Glyph& glyph : glyphs) {
        if (FT_Load_Glyph(glyph.face, glyph.index, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) == 0 &&
            glyph.face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const FT_GlyphSlot slot = glyph.face->glyph;
            const FT_Bitmap& bitmap = slot->bitmap;
            const int left = pen + slot->bitmap_left;
            const int top = y + faces_->baseline - slot->bitmap_top;
            for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
                const int py = top + row;
                if (py < 0 || py >= sheet.height) continue;
                for (int column = 0; column < static_cast<int>(bitmap.width); ++column) {
                    const int px = left + column;
                    if (px < 0 || px >= sheet.width) continue;
                    const int alpha = bitmap.buffer[row * bitmap.pitch + column];
                    uint8_t* p = sheet.pixels.data() + (static_cast<std::size_t>(py) * sheet.width + px) * 3;
                    for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] + (level - p[c]) * alpha / 255);
                }
            }
        }
        pen += glyph.advance;
    }
}

std::vector<std::string> systemSheetFonts() {
    return {
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",     "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
        "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",  "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
        "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
    };
}

}  // namespace lumivex::cli
