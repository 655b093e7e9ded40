#include "lumivex/previews.h"

#include "engine/previews/finders.h"

namespace lumivex::previews {

PreviewScan findPreviews(std::span<const uint8_t> file, const SegmentMap& map) {
    PreviewScan scan;
    findExifThumbnail(file, map, scan);
    findJfxxThumbnails(file, map, scan);
    findPhotoshopThumbnails(file, map, scan);
    findXmpThumbnails(file, map, scan);
    findMakerNotePreviews(file, map, scan);
    findMpfImages(file, map, scan);
    findFlashPix(file, map, scan);
    if (const std::optional<uint64_t> end = mainImageEnd(file, map)) findTrailingImages(file, 0, *end, scan);
    numberCopies(scan);
    return scan;
}

void numberCopies(PreviewScan& scan) {
    int counts[8] = {};
    for (FoundPreview& found : scan.found) {
        found.copy.index = counts[static_cast<int>(found.copy.kind)]++;
        // A size no JPEG can have is not believed: the copy says nothing about its size then.
        PreviewCopy& c = found.copy;
        if (c.width <= 0 || c.height <= 0 || c.width > 65535 || c.height > 65535) c.width = c.height = 0;
    }
}

std::vector<uint8_t> previewBytes(std::span<const uint8_t> file, const FoundPreview& found, std::string& why) {
    const PreviewCopy& copy = found.copy;
    if (!fits(copy.offset, copy.length, file.size())) {
        why = "its bytes lie outside the file";
        return {};
    }
    const Bytes bytes = file.subspan(copy.offset, copy.length);
    if (copy.kind == PreviewKind::Xmp) {
        std::vector<uint8_t> decoded;
        if (!decodeBase64(bytes, decoded)) why = "its base64 text is damaged";
        return decoded;
    }
    if (copy.format != "jpeg" && copy.format != "bgr") {
        why = "it is stored as " + copy.format + ", not as a JPEG image";
        return {};
    }
    return {bytes.begin(), bytes.end()};
}

std::string describeCopy(const PreviewCopy& copy) {
    std::string text = std::string(previewKindName(copy.kind)) + ":" + std::to_string(copy.index);
    if (!copy.note.empty()) text += " (" + copy.note + ")";
    return text;
}

}  // namespace lumivex::previews
