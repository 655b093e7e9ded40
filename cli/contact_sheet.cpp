#include "cli/contact_sheet.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "cli/contact_sheet_font.h"
#include "lumivex/file_services.h"
#include "lumivex/thumbnail_file.h"

namespace lumivex::cli {

namespace {

constexpr int kBoxWidth = 160;  // each picture is fitted into a box of the thumbnail convention's size
constexpr int kBoxHeight = 120;
constexpr int kPad = 8;
constexpr int kCellWidth = kPad + kBoxWidth + kPad + kBoxWidth + kPad;
constexpr int kLine = SheetFont::kLineHeight;
constexpr int kCellHeight = kPad + kBoxHeight + 4 + 2 * kLine + kPad;
constexpr int kColumns = 3;
constexpr int kMaxRows = 60000 / kCellHeight;  // a JPEG image is at most 65535 pixels high
constexpr uint8_t kBackground = 48;
constexpr uint8_t kText = 235;
constexpr int kSheetQuality = 90;

// The picture reduced into the box at (x, y), centred, with its aspect.
void drawPicture(imaging::Image& sheet, int x, int y, const imaging::Image& picture) {
    if (picture.width <= 0 || picture.height <= 0) return;
    const imaging::Size fit = imaging::fitInBox(picture.width, picture.height, kBoxWidth, kBoxHeight);
    const imaging::Image small = imaging::resizeArea(picture, fit.width, fit.height);
    const int left = x + (kBoxWidth - fit.width) / 2;
    const int top = y + (kBoxHeight - fit.height) / 2;
    for (int py = 0; py < small.height; ++py) {
        for (int px = 0; px < small.width; ++px) {
            const uint8_t* s = small.pixels.data() + (static_cast<size_t>(py) * small.width + px) * small.channels;
            uint8_t* d = sheet.pixels.data() + (static_cast<size_t>(top + py) * sheet.width + left + px) * 3;
            for (int c = 0; c < 3; ++c) d[c] = s[small.channels == 3 ? c : 0];
        }
    }
}

}  // namespace

imaging::Image composeContactSheet(const std::vector<SheetEntry>& entries) {
    return composeContactSheet(entries, SheetFont(systemSheetFonts()));
}

imaging::Image composeContactSheet(const std::vector<SheetEntry>& entries, const SheetFont& font) {
    const size_t shown = std::min(entries.size(), static_cast<size_t>(kColumns * kMaxRows));
    const int columns = shown == 0 ? 1 : static_cast<int>(std::min<size_t>(kColumns, shown));
    const int rows = shown == 0 ? 1 : static_cast<int>((shown + kColumns - 1) / kColumns);
    const bool note = shown < entries.size() || shown == 0;
    imaging::Image sheet{columns * kCellWidth, rows * kCellHeight + (note ? kLine + kPad : 0), 3, {}};
    sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, kBackground);
    const int labelWidth = kCellWidth - 2 * kPad;
    for (size_t i = 0; i < shown; ++i) {
        const int x = static_cast<int>(i % kColumns) * kCellWidth;
        const int y = static_cast<int>(i / kColumns) * kCellHeight;
        drawPicture(sheet, x + kPad, y + kPad, entries[i].embedded);
        drawPicture(sheet, x + 2 * kPad + kBoxWidth, y + kPad, entries[i].fromPhoto);
        font.drawLine(sheet, x + kPad, y + kPad + kBoxHeight + 4, entries[i].name, labelWidth, kText);
        font.drawLine(sheet, x + kPad, y + kPad + kBoxHeight + 4 + kLine, entries[i].caption, labelWidth, kText);
    }
    if (note) {
        const std::string text =
            shown == 0 ? "no stale thumbnails" : std::to_string(entries.size() - shown) + " more not shown";
        font.drawLine(sheet, kPad, rows * kCellHeight, text, sheet.width - 2 * kPad, kText);
    }
    return sheet;
}

std::string writeContactSheet(const std::string& path, const std::vector<SheetEntry>& entries, bool replace) {
    // Asked before composing: a forgotten FILE (`--sheet *.jpg`) names a photo, which must not be lost.
    std::string why = sheetTargetProblem(path, replace);
    if (!why.empty()) return why;
    const imaging::EncodedJpeg jpeg = imaging::encodeBaselineJpeg(composeContactSheet(entries), kSheetQuality);
    if (!jpeg.ok()) return jpeg.error;
    if (!writeOutputFile(path.c_str(), jpeg.bytes.data(), jpeg.bytes.size(), replace, why)) return why;
    return "";
}

std::string sheetTargetProblem(const std::string& path, bool replace) {
    platform::FileStatus existing;
    if (!platform::statLink(path.c_str(), existing)) return "";
    if (!replace) return "'" + path + "' exists; it was not overwritten (--force replaces it)";
    if (!existing.isRegular && !existing.isLink) return "'" + path + "' is not a regular file or a link";
    return "";
}

}  // namespace lumivex::cli
