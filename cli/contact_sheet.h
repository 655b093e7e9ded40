// A contact sheet of stale thumbnails: each embedded thumbnail beside one made from the photo now, with the
// photo's name, verdict and score under them, because a person decides faster by looking than by reading.
#pragma once

#include <string>
#include <vector>

#include "imaging/image.h"

namespace lumivex::cli {

struct SheetEntry {
    std::string name;          // the photo's file name
    std::string caption;       // verdict, reason and score
    imaging::Image embedded;   // the thumbnail the photo carries
    imaging::Image fromPhoto;  // one made from the photo's pixels now
};

class SheetFont;

// The sheet as one RGB image, labelled with the system's fonts (or `font`); a line of text says so when there
// are no entries.
imaging::Image composeContactSheet(const std::vector<SheetEntry>& entries);
imaging::Image composeContactSheet(const std::vector<SheetEntry>& entries, const SheetFont& font);

// Composes and writes the sheet as a JPEG file, as every output is written (a temporary file renamed onto the
// name); an existing path is replaced only with replace. The error, or "" when written.
std::string writeContactSheet(const std::string& path, const std::vector<SheetEntry>& entries, bool replace);

// Why the sheet could not be written at path, asked before any photo is checked; "" when it can.
std::string sheetTargetProblem(const std::string& path, bool replace);

}  // namespace lumivex::cli
