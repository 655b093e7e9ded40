// Finding every copy of the picture a JPEG file carries, and planning edits of them as splices of the file.
// Pure functions over the file's bytes and its segment map: nothing here opens, reads or writes a file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "lumivex/preview.h"
#include "lumivex/segment_map.h"
#include "lumivex/splice.h"

namespace lumivex::previews {

// A copy and what an edit of it needs to know: what holds it and which fields describe it.
struct FoundPreview {
    PreviewCopy copy;
    uint64_t holderOffset = 0;           // what a removal cuts or rewrites: the Photoshop resource, the XMP element,
    uint64_t holderLength = 0;           // the JFXX segment, the MPF image; for the rest, the copy itself
    uint64_t segmentOffset = 0;          // the segment the copy or its index sits in
    std::vector<uint64_t> lengthFields;  // maker note: the 4-byte fields that say how long the copy is
    int mpfEntry = -1;                   // MPF: its entry in the index (the photo itself is entry 0)
    uint32_t mpfType = 0;                // MPF: its entry's type code
    std::string notEditable;             // why the copy must be left as it is; empty when it may be edited
    bool unread = false;                 // past the bytes given: what it is is known once completeCopy read it
};

struct PreviewScan {
    std::vector<FoundPreview> found;    // in file order of their kinds' holders
    std::vector<std::string> problems;  // what was seen but could not be followed, one line each
};

// file: the whole file, or at least its head (copies beyond it are reported from their index with no pixel
// size). map: walkSegments over the same bytes.
PreviewScan findPreviews(std::span<const uint8_t> file, const SegmentMap& map);

// Where the first JPEG image appended after the main image begins, searched for in tail (the file's bytes from
// offset base to its end, a window of its end when the image data were not read); the copies in scan (MPF
// images, maker-note previews put after the image) are passed over. nullopt when tail holds none.
std::optional<uint64_t> firstTrailingImage(std::span<const uint8_t> tail, uint64_t base, const PreviewScan& scan);

// Adds to scan the JPEG images that follow one another from offset from in tail (bytes from offset base), the
// copies scan holds left out; findPreviews runs it on the whole file from the main image's end.
void findTrailingImages(std::span<const uint8_t> tail, uint64_t base, uint64_t from, PreviewScan& scan);

// Numbers the copies within their kinds and drops the pixel sizes no JPEG can have; findPreviews does this last,
// and again whoever adds copies after it.
void numberCopies(PreviewScan& scan);

// What a copy found past the bytes findPreviews was given (unread, or an MPF image) is, and its pixel size,
// from its own bytes read later; false when they show it is no copy (blanked).
bool completeCopy(FoundPreview& found, std::span<const uint8_t> bytes);

// The pixel size a JPEG stream's frame header gives; false when there is none within the bytes.
bool jpegPixelSize(std::span<const uint8_t> jpeg, int& width, int& height);

// The copy's bytes as a JPEG file (base64 decoded for XMP; a JPEG wrapped around nothing for the rest: raw
// RGB, palette and strip copies come back empty, with why set).
std::vector<uint8_t> previewBytes(std::span<const uint8_t> file, const FoundPreview& found, std::string& why);

enum class PreviewAction { Rebuild, Remove };

struct PreviewEdit {
    const FoundPreview* target = nullptr;
    PreviewAction action = PreviewAction::Rebuild;
    std::vector<uint8_t> jpeg;  // rebuild: the new copy, a baseline JPEG at the copy's pixel size
    std::vector<uint8_t> raw;   // rebuild of a JFXX RGB/palette copy: its pixels, 3 bytes each, at its size
};

struct PlannedEdits {
    SplicePlan plan;
    std::vector<std::string> done;     // one line per copy the plan edits
    std::vector<std::string> refused;  // one line per copy left alone, saying why
};

// One plan for every edit. The Exif thumbnail is not edited here: carried holds the Exif segment's new bytes
// when it is edited too, and goes into the same plan (a maker-note copy inside it is edited in those bytes,
// and the MPF index counts its size). Edits that cannot be made safely are left out and said in refused; the
// rest still make one valid plan.
PlannedEdits planPreviewEdits(std::span<const uint8_t> file, const SegmentMap& map,
                              const std::vector<PreviewEdit>& edits, std::vector<Splice> carried = {});

// "mpf image 2 (large thumbnail)" and the like: how a report names a copy.
std::string describeCopy(const PreviewCopy& copy);

}  // namespace lumivex::previews
