// A file turned into the picture a pane shows: decoded whole, then reduced smoothly to the preview size.
#pragma once

#include <QImage>
#include <QString>

namespace lumivex::qt {

// A null image when the file cannot be read, is empty or does not decode; never shows a message.
QImage loadPreviewImage(const QString& path, int limit);

}  // namespace lumivex::qt
