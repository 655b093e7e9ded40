#include "app/qt/area_reduce.h"

#include <cstddef>

#include "imaging/image.h"

namespace lumivex::qt {

QImage reduceByAreaAverage(const QImage& source, int width, int height) {
    if (source.isNull() || width <= 0 || height <= 0 || width > source.width() || height > source.height()) {
        return {};
    }
    // Premultiplied, so that averaging each of the four channels on its own gives the right colour at the edges
    // of transparent areas; the byte order of the channels does not matter then.
    const QImage input = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage result(width, height, QImage::Format_ARGB32_Premultiplied);
    if (input.isNull() || result.isNull()) return {};
    const imaging::PixelView view{input.constBits(), input.width(), input.height(), 4,
                                  static_cast<std::size_t>(input.bytesPerLine())};
    imaging::resizeArea(view, width, height, result.bits(), static_cast<std::size_t>(result.bytesPerLine()));
    return result;
}

}  // namespace lumivex::qt
