#include "app/qt/preview_image.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include "app/core/preview_size.h"
#include "app/qt/area_reduce.h"

namespace lumivex::qt {

QImage loadPreviewImage(const QString& path, int limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = file.readAll();
    file.close();
    if (bytes.isEmpty()) return {};

    // Whatever format the decoder recognises from the bytes; stored orientation is not applied.
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    QImage decoded = reader.read();
    if (decoded.isNull()) return {};

    const app::PreviewSize size = app::previewSize(decoded.width(), decoded.height(), limit);
    if (size.width == decoded.width() && size.height == decoded.height()) return decoded;
    return reduceByAreaAverage(decoded, size.width, size.height);
}

}  // namespace lumivex::qt
