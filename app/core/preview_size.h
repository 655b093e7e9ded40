// The size a preview is shown at: no higher than the limit keeps its own size, otherwise both sides are
// bounded by the limit with the aspect ratio kept, each product truncated toward zero.
#pragma once

namespace lumivex::app {

struct PreviewSize {
    int width = 0;
    int height = 0;
};

// width and height are the decoded picture's (positive); limit is kPreviewLimit for the panes.
// A side that truncation would make 0 is given 1 pixel.
PreviewSize previewSize(int width, int height, int limit);

}  // namespace lumivex::app
