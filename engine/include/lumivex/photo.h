// One photo as a value: where its segments lie, the bytes before its image data, what its Exif says, the
// copies of its picture and the reports its reading gave. The value is the caller's: nothing of it changes
// when the engine reads another photo. Edits of the tool are planned from what its read parsed, as splices.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "lumivex/photo_info.h"
#include "lumivex/preview.h"
#include "lumivex/segment_map.h"
#include "lumivex/splice.h"

namespace lumivex {

struct ParsedHead;  // the engine's own records of a read

struct Photo {
    std::string name;                        // how its reports name it
    SegmentMap segments;                     // where each segment lies in the file
    std::vector<uint8_t> head;               // the file's bytes before its image data
    PhotoInfo info{};                        // the facts of its Exif and JPEG headers
    std::optional<ExifByteOrder> byteOrder;  // of the last Exif segment whose byte-order mark was read
    std::vector<PreviewCopy> previews;       // the copies of the picture found in it (the Exif thumbnail)
    std::string makerNoteReach;              // not empty: the maker note locates data past the Exif block (what)
    std::string reports;                     // the report lines its reading gave, as they go to standard error

    // What the read parsed, shared by the copies of the value: an edit starts from it, never parses again.
    std::shared_ptr<const ParsedHead> parsed;
};

// Reads a photo from the whole file's bytes. False (why says what, the reports are in photo.reports) when
// they are not a JPEG whose segments reach its image data.
bool readPhoto(std::span<const uint8_t> file, const std::string& name, Photo& photo, std::string& why);

// The same through an open descriptor of a regular file, reading the bytes before the image data only.
bool readPhotoFromDescriptor(int descriptor, const std::string& name, Photo& photo, std::string& why);

struct EditPlan {
    enum class Outcome { Planned, NothingToDo, Refused };
    Outcome outcome = Outcome::Refused;
    std::string why;     // NothingToDo and Refused: one line for a person
    std::string route;   // a replacement: "in place", "appended", "new thumbnail directory", "minimal Exif block"
    SplicePlan splices;  // Planned: the Exif segment's new bytes in place of the old (nothing else changes)
};

// A new thumbnail (a whole JPEG file's bytes) in place of the photo's, keeping every Exif field.
EditPlan planReplace(const Photo& photo, std::span<const uint8_t> thumbnail);

// The photo's thumbnail removed, every other Exif field kept.
EditPlan planDelete(const Photo& photo);

}  // namespace lumivex
