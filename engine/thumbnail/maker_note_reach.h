// Whether the photo's maker note locates data outside the Exif block. Such data lies further on in the
// file, so that any change of the Exif segment's size would leave the maker note pointing at other bytes.
#pragma once

#include <string>

#include "engine/thumbnail/block_view.h"

namespace lumivex {

// True, with a one-line description in *what, when a maker note entry points past the block.
bool makerNoteReachesPastBlock(const BlockView& block, std::string* what);

}  // namespace lumivex
