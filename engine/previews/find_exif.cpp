// The Exif thumbnail (IFD1) and the previews inside the camera maker's note.
#include <algorithm>

#include "engine/previews/finders.h"

namespace lumivex::previews {

namespace {

// A copy at off..off+length counted from a TIFF block's start, or nothing when it is not inside the file. One
// past the bytes given is kept unread, for its caller to complete from its own bytes.
bool placeCopy(Bytes file, uint64_t fileSize, uint64_t base, uint64_t off, uint64_t length, FoundPreview& found) {
    if (length == 0 || !fits(base + off, length, fileSize)) return false;
    found.copy.offset = base + off;
    found.copy.length = length;
    found.holderOffset = found.copy.offset;
    found.holderLength = length;
    if (!fits(found.copy.offset, length, file.size())) {
        found.unread = true;
        return true;
    }
    return completeCopy(found, file.subspan(found.copy.offset, length));
}

// A maker note's own layout: where its directory starts, its byte order and what its offsets count from.
struct MakerLayout {
    const char* maker = "";
    uint64_t directory = 0;   // in the Exif block
    uint64_t offsetBase = 0;  // in the Exif block: 0 when offsets count from the Exif TIFF header
    bool little = false;
};

std::optional<MakerLayout> makerLayout(const TiffView& exif, uint64_t note) {
    const Bytes b = exif.bytes;
    auto order = [&](uint64_t at, bool fallback) {
        return startsWith(b, at, "II") ? true : startsWith(b, at, "MM") ? false : fallback;
    };
    if (startsWith(b, note, std::string_view("SONY DSC \0\0\0", 12)) ||
        startsWith(b, note, std::string_view("SONY CAM \0\0\0", 12))) {
        return MakerLayout{"Sony", note + 12, 0, exif.little};
    }
    if (startsWith(b, note, std::string_view("Nikon\0\2", 7))) {
        const uint64_t inner = note + 10;
        const bool little = order(inner, exif.little);
        TiffView view{b.subspan(std::min<uint64_t>(inner, b.size())), little, 0};
        return MakerLayout{"Nikon", inner + view.u32(4), inner, little};
    }
    if (startsWith(b, note, std::string_view("OLYMPUS\0", 8)) ||
        startsWith(b, note, std::string_view("OM SYSTEM\0", 10))) {
        const uint64_t orderAt = b[note] == 'O' && b[note + 1] == 'M' ? note + 12 : note + 8;
        return MakerLayout{"Olympus", orderAt + 4, note, order(orderAt, exif.little)};
    }
    if (startsWith(b, note, std::string_view("OLYMP\0", 6))) return MakerLayout{"Olympus", note + 8, 0, exif.little};
    if (startsWith(b, note, std::string_view("AOC\0", 4))) {
        return MakerLayout{"Pentax", note + 6, 0, order(note + 4, exif.little)};
    }
    if (startsWith(b, note, std::string_view("PENTAX \0", 8))) {
        return MakerLayout{"Pentax", note + 10, note, order(note + 8, exif.little)};
    }
    if (startsWith(b, note, std::string_view("QVC\0\0\0", 6))) return MakerLayout{"Casio", note + 6, 0, false};
    return std::nullopt;
}

// Adds the copy a start/length pair of entries (or one UNDEFINED entry) names, counted from base.
void addMakerCopy(Bytes file, uint64_t fileSize, const TiffView& view, const std::vector<TiffEntry>& dir,
                  uint16_t startTag, uint16_t lengthTag, uint16_t dataTag, const std::string& note, PreviewScan& scan) {
    FoundPreview found;
    found.copy.kind = PreviewKind::MakerNote;
    found.copy.note = note;
    const TiffEntry* data = dataTag != 0 ? findEntry(dir, dataTag) : nullptr;
    const TiffEntry* start = findEntry(dir, startTag);
    const TiffEntry* length = findEntry(dir, lengthTag);
    bool placed = false;
    if (data != nullptr && data->dataSize() > 4) {
        placed = placeCopy(file, fileSize, view.base, data->value, data->count, found);
        found.lengthFields.push_back(view.base + data->at + 4);  // its count
        if (length != nullptr && length->dataSize() == 4 && length->value == data->count) {
            found.lengthFields.push_back(view.base + length->at + 8);
        }
    } else if (start != nullptr && length != nullptr && length->dataSize() == 4) {
        placed = placeCopy(file, fileSize, view.base, start->value, length->value, found);
        found.lengthFields.push_back(view.base + length->at + 8);  // its value
    }
    if (placed) scan.found.push_back(found);
}

}  // namespace

bool completeCopy(FoundPreview& found, Bytes bytes) {
    found.unread = false;
    if (found.copy.kind == PreviewKind::Mpf) {
        found.copy.role = PreviewRole::Picture;
        classifyMpfImage(found.mpfType, bytes.subspan(0, std::min<size_t>(bytes.size(), 65536)), found.copy);
        jpegPixelSize(bytes, found.copy.width, found.copy.height);
        return true;
    }
    if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; })) return false;  // blanked
    if (!startsWith(bytes, 0, "\xFF\xD8")) {
        found.copy.format = "unknown";
        found.notEditable = "its bytes are not a JPEG image";
        return true;
    }
    found.copy.format = "jpeg";
    jpegPixelSize(bytes, found.copy.width, found.copy.height);
    return true;
}

void findExifThumbnail(Bytes file, const SegmentMap& map, PreviewScan& scan) {
    const std::optional<TiffView> exif = exifBlock(file, map);
    if (!exif) return;
    uint64_t ifd1 = 0;
    readDirectory(*exif, exif->u32(4), &ifd1);
    if (ifd1 == 0) return;
    const std::vector<TiffEntry> dir = readDirectory(*exif, ifd1);
    FoundPreview found;
    found.copy.kind = PreviewKind::Exif;
    found.segmentOffset = exif->base - 10;
    const TiffEntry* start = findEntry(dir, 0x0201);
    const TiffEntry* length = findEntry(dir, 0x0202);
    const TiffEntry* strips = findEntry(dir, 0x0111);
    const TiffEntry* stripBytes = findEntry(dir, 0x0117);
    if (start != nullptr && length != nullptr) {
        if (placeCopy(file, file.size(), exif->base, start->value, length->value, found)) scan.found.push_back(found);
    } else if (strips != nullptr && stripBytes != nullptr && strips->count == 1) {
        if (placeCopy(file, file.size(), exif->base, strips->value, stripBytes->value, found)) {
            found.copy.format = "strips";
            const TiffEntry* w = findEntry(dir, 0x0100);
            const TiffEntry* h = findEntry(dir, 0x0101);
            found.copy.width = w != nullptr ? static_cast<int>(w->value) : 0;
            found.copy.height = h != nullptr ? static_cast<int>(h->value) : 0;
            found.notEditable.clear();
            scan.found.push_back(found);
        }
    }
}

void findMakerNotePreviews(Bytes file, const SegmentMap& map, PreviewScan& scan) {
    const std::optional<TiffView> exif = exifBlock(file, map);
    if (!exif) return;
    const TiffEntry* exifPointer = nullptr;
    const std::vector<TiffEntry> ifd0 = readDirectory(*exif, exif->u32(4));
    exifPointer = findEntry(ifd0, 0x8769);
    if (exifPointer == nullptr) return;
    const std::vector<TiffEntry> exifDir = readDirectory(*exif, exifPointer->value);
    const TiffEntry* noteEntry = findEntry(exifDir, 0x927C);
    if (noteEntry == nullptr || noteEntry->dataSize() <= 4) return;
    const auto layout = makerLayout(*exif, noteEntry->value);
    if (!layout) return;
    // The maker note's offsets may reach past the Exif segment (some cameras put the preview after the image).
    const uint64_t base = exif->base + layout->offsetBase;
    if (base > file.size()) return;
    const TiffView view{file.subspan(base), layout->little, base};
    const uint64_t dirAt = layout->directory - layout->offsetBase;
    const std::vector<TiffEntry> dir = readDirectory(view, dirAt);
    const std::string maker = layout->maker;
    const size_t before = scan.found.size();
    if (maker == "Sony") addMakerCopy(file, map.fileSize, view, dir, 0, 0, 0x2001, "Sony PreviewImage", scan);
    if (maker == "Casio" || maker == "Pentax") {
        addMakerCopy(file, map.fileSize, view, dir, 0x0004, 0x0003, maker == "Casio" ? 0x2000 : 0,
                     maker + " PreviewImage", scan);
    }
    if (maker == "Nikon") {
        const TiffEntry* previewIfd = findEntry(dir, 0x0011);
        if (previewIfd != nullptr) {
            addMakerCopy(file, map.fileSize, view, readDirectory(view, previewIfd->value), 0x0201, 0x0202, 0,
                         "Nikon PreviewIFD", scan);
        }
    }
    if (maker == "Olympus") {
        addMakerCopy(file, map.fileSize, view, dir, 0x0088, 0x0089, 0x0081, "Olympus PreviewImage", scan);
        const TiffEntry* settings = findEntry(dir, 0x2020);
        if (settings != nullptr) {
            addMakerCopy(file, map.fileSize, view, readDirectory(view, settings->value), 0x0101, 0x0102, 0,
                         "Olympus CameraSettings PreviewImage", scan);
        }
    }
    // Where the copy may be blanked or rebuilt: inside the Exif segment, or after the main image's end.
    const uint64_t segmentEnd = exif->base + exif->bytes.size();
    const std::optional<uint64_t> imageEnd = mainImageEnd(file, map);
    for (size_t i = before; i < scan.found.size(); ++i) {
        FoundPreview& found = scan.found[i];
        found.segmentOffset = exif->base - 10;
        const bool inSegment = found.copy.offset >= exif->base && found.copy.offset + found.copy.length <= segmentEnd;
        const bool afterImage = imageEnd && found.copy.offset >= *imageEnd;
        if (found.notEditable.empty() && !inSegment && !afterImage) {
            found.notEditable = "it lies neither in the Exif segment nor after the image";
        }
    }
}

}  // namespace lumivex::previews
