// Does an embedded thumbnail still show the photo? Both are compared as luma at one small size, after the
// black bands that cameras put around a photo whose aspect differs from the thumbnail's have been cut off.
#pragma once

#include "imaging/image.h"

namespace lumivex::imaging {

enum class ThumbnailMatch {
    Fresh,               // same aspect, same picture
    AspectDiffers,       // the thumbnail's picture has another shape than the photo (a crop)
    OrientationDiffers,  // it shows the photo turned or mirrored
    ContentDiffers,      // same shape, another picture (retouched, replaced, cropped and scaled)
};

struct ThumbnailComparison {
    ThumbnailMatch match = ThumbnailMatch::ContentDiffers;
    double score = 0;  // similarity of the thumbnail to the photo as stored, 0 (unrelated) to 1 (the same)
};

// The score below which a thumbnail counts as another picture; see similarity.cpp for how it was chosen.
extern const double kFreshScore;

// thumbnail: the embedded thumbnail, whole. photo: the photo decoded at any reduced scale.
ThumbnailComparison compareThumbnail(const Image& thumbnail, const Image& photo);

// "aspect ratio differs", "orientation differs", "content differs", or "" when fresh.
const char* matchReason(ThumbnailMatch match);

}  // namespace lumivex::imaging
