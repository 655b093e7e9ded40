// Smooth reduction of a picture by area averaging, with the imaging library's resizer: each target pixel is
// the mean of the source area it covers, fractional edge pixels weighted by the share they contribute.
#pragma once

#include <QImage>

namespace lumivex::qt {

// `width` and `height` are positive and at most the source's; the result is premultiplied ARGB.
// A null source or an impossible size gives a null image.
QImage reduceByAreaAverage(const QImage& source, int width, int height);

}  // namespace lumivex::qt
