#include "engine/previews/xmp_thumbnails.h"

#include <algorithm>
#include <string>

namespace lumivex::previews {

namespace {

constexpr size_t kMaxThumbnails = 16;

std::string_view textOf(Bytes payload) { return {reinterpret_cast<const char*>(payload.data()), payload.size()}; }

// The digits after name in an element ("name>123<") or attribute ("name=\"123\"") form between from and to.
void numberAfter(std::string_view text, std::string_view name, size_t from, size_t to, int& value, uint64_t& start,
                 uint64_t& end) {
    const size_t at = text.substr(0, to).find(name, from);
    if (at == std::string_view::npos) return;
    size_t p = at + name.size();
    while (p < to && (text[p] == '>' || text[p] == '=' || text[p] == '"' || text[p] == '\'' || text[p] == ' ')) ++p;
    size_t q = p;
    int v = 0;
    while (q < to && q - p < 6 && text[q] >= '0' && text[q] <= '9') v = v * 10 + (text[q++] - '0');
    if (q == p) return;
    value = v;
    start = p;
    end = q;
}

}  // namespace

std::vector<XmpThumbnail> findXmpThumbnailTexts(Bytes payload) {
    std::vector<XmpThumbnail> found;
    const std::string_view text = textOf(payload);
    constexpr std::string_view kImage = "xmpGImg:image";
    size_t from = 0;
    while (found.size() < kMaxThumbnails) {
        const size_t at = text.find(kImage, from);
        if (at == std::string_view::npos) break;
        from = at + kImage.size();
        if (at == 0 || (text[at - 1] != '<' && text[at - 1] != ' ' && text[at - 1] != '\n' && text[at - 1] != '\t' &&
                        text[at - 1] != '\r')) {
            continue;  // a closing tag or part of another name
        }
        XmpThumbnail thumb;
        size_t p = from;
        if (text[at - 1] == '<') {  // <xmpGImg:image>BASE64</xmpGImg:image>
            if (p >= text.size() || text[p] != '>') continue;
            thumb.textStart = p + 1;
            const size_t close = text.find("</xmpGImg:image>", thumb.textStart);
            if (close == std::string_view::npos) break;
            thumb.textEnd = close;
        } else {  // xmpGImg:image="BASE64"
            while (p < text.size() && (text[p] == '=' || text[p] == ' ')) ++p;
            if (p >= text.size() || (text[p] != '"' && text[p] != '\'')) continue;
            const char quote = text[p];
            thumb.textStart = p + 1;
            const size_t close = text.find(quote, thumb.textStart);
            if (close == std::string_view::npos) break;
            thumb.textEnd = close;
        }
        from = thumb.textEnd;
        const size_t open = text.rfind("<xmp:Thumbnails", thumb.textStart);
        const size_t closeTag = text.find("</xmp:Thumbnails>", thumb.textEnd);
        if (open != std::string_view::npos && closeTag != std::string_view::npos) {
            thumb.holderStart = open;
            thumb.holderEnd = closeTag + std::string_view("</xmp:Thumbnails>").size();
        } else {
            thumb.holderStart = thumb.textStart;
            thumb.holderEnd = thumb.textEnd;
        }
        // The size fields sit in the same list item, before or after the image.
        const size_t itemStart =
            std::max<size_t>(thumb.holderStart, text.rfind("<rdf:li", thumb.textStart) == std::string_view::npos
                                                    ? thumb.holderStart
                                                    : text.rfind("<rdf:li", thumb.textStart));
        const size_t itemEnd = std::min<size_t>(thumb.holderEnd, text.find("</rdf:li>", thumb.textEnd));
        numberAfter(text, "xmpGImg:width", itemStart, itemEnd, thumb.width, thumb.widthStart, thumb.widthEnd);
        numberAfter(text, "xmpGImg:height", itemStart, itemEnd, thumb.height, thumb.heightStart, thumb.heightEnd);
        if (thumb.widthStart >= thumb.textStart && thumb.widthStart < thumb.textEnd)
            thumb.widthStart = thumb.widthEnd = 0;
        if (thumb.heightStart >= thumb.textStart && thumb.heightStart < thumb.textEnd) {
            thumb.heightStart = thumb.heightEnd = 0;
        }
        found.push_back(thumb);
    }
    return found;
}

uint64_t xmpPadding(Bytes payload, uint64_t& paddingStart) {
    const std::string_view text = textOf(payload);
    const size_t end = text.rfind("<?xpacket end");
    if (end == std::string_view::npos) return 0;
    size_t p = end;
    while (p > 0 && (text[p - 1] == ' ' || text[p - 1] == '\n' || text[p - 1] == '\r' || text[p - 1] == '\t')) --p;
    paddingStart = p;
    return end - p;
}

}  // namespace lumivex::previews
