#include "app/core/preview_size.h"

namespace lumivex::app {

PreviewSize previewSize(int width, int height, int limit) {
    if (width <= 0 || height <= 0 || limit <= 0) return {};
    if (height <= limit) return {width, height};
    const double rW = static_cast<double>(limit) / width;
    const double rH = static_cast<double>(limit) / height;
    const double scale = rW > rH ? rH : rW;
    PreviewSize size{static_cast<int>(width * scale), static_cast<int>(height * scale)};
    // A very long, thin picture would truncate to nothing; a bitmap needs at least one pixel.
    if (size.width < 1) size.width = 1;
    if (size.height < 1) size.height = 1;
    return size;
}

}  // namespace lumivex::app
