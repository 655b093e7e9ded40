// The images an APP2 "MPF" index names after the main image: previews, large thumbnails, gain and depth maps.
#include <algorithm>
#include <cctype>
#include <string>

#include "engine/previews/finders.h"
#include "engine/previews/mpf_index.h"

namespace lumivex::previews {

namespace {

bool containsNoCase(Bytes bytes, std::string_view word) {
    if (bytes.size() < word.size()) return false;
    const auto lower = [](uint8_t c) { return static_cast<char>(std::tolower(c)); };
    return std::search(bytes.begin(), bytes.end(), word.begin(), word.end(),
                       [&](uint8_t a, char b) { return lower(a) == b; }) != bytes.end();
}

}  // namespace

void classifyMpfImage(uint32_t attribute, Bytes imageHead, PreviewCopy& copy) {
    switch (attribute & 0xFFFFFF) {
        case 0x010001:
            copy.note = "MPF large thumbnail (VGA)";
            return;
        case 0x010002:
            copy.note = "MPF large thumbnail (full HD)";
            return;
        case 0x010003:
        case 0x010004:
            copy.note = "MPF large thumbnail";
            return;
        case 0x020001:
            copy.role = PreviewRole::Other;
            copy.note = "MPF panorama frame";
            return;
        case 0x020002:
            copy.role = PreviewRole::Other;
            copy.note = "MPF disparity image";
            return;
        case 0x020003:
            copy.role = PreviewRole::Other;
            copy.note = "MPF multi-angle frame";
            return;
        default:
            break;
    }
    if (containsNoCase(imageHead, "hdrgm:") || containsNoCase(imageHead, "hdrgainmap") ||
        containsNoCase(imageHead, "urn:iso:std:iso:ts:21496")) {
        copy.role = PreviewRole::GainMap;
        copy.note = "gain map";
    } else if (containsNoCase(imageHead, "depth")) {
        copy.role = PreviewRole::DepthMap;
        copy.note = "depth map";
    } else if (containsNoCase(imageHead, "disparity")) {
        copy.role = PreviewRole::Other;
        copy.note = "disparity image";
    } else {
        copy.note = "MPF image";
    }
}

void findMpfImages(Bytes file, const SegmentMap& map, PreviewScan& scan) {
    const SegmentEntry* app2 = findSegment(map, file, 0xE2, std::string_view("MPF\0", 4));
    if (app2 == nullptr) return;
    const std::optional<MpfIndex> index = readMpfIndex(file, *app2);
    if (!index) {
        scan.problems.push_back("the MPF index cannot be read");
        return;
    }
    const std::optional<uint64_t> imageEnd = mainImageEnd(file, map);
    for (size_t i = 1; i < index->entries.size(); ++i) {
        const MpfEntry& entry = index->entries[i];
        FoundPreview found;
        found.copy.kind = PreviewKind::Mpf;
        found.copy.format = "jpeg";
        found.mpfEntry = static_cast<int>(i);
        found.segmentOffset = app2->offset;
        found.copy.offset = index->headerOffset + entry.offset;
        found.copy.length = entry.size;
        found.holderOffset = found.copy.offset;
        found.holderLength = entry.size;
        if (entry.offset == 0 || !fits(found.copy.offset, entry.size, map.fileSize)) {
            found.copy.note = "MPF image outside the file";
            found.notEditable = "its index entry points outside the file";
            scan.found.push_back(found);
            continue;
        }
        Bytes image;
        if (fits(found.copy.offset, entry.size, file.size())) image = file.subspan(found.copy.offset, entry.size);
        found.mpfType = entry.attribute;
        completeCopy(found, image);
        found.unread = image.empty();
        if (found.unread) {
            // Past the bytes given: nothing is known of it until its own bytes are read.
        } else if (!imageEnd || found.copy.offset < *imageEnd) {
            found.notEditable = "its index entry points into the main image";
        } else if (!startsWith(image, 0, "\xFF\xD8")) {
            found.notEditable = "its bytes are not a JPEG image";
        }
        scan.found.push_back(found);
    }
}

}  // namespace lumivex::previews
