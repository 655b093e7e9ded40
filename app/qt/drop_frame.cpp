#include "app/qt/drop_frame.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace lumivex::qt {
namespace {

// Only files take part in a drop, as with the desktop's file drops: other URLs are not files.
QString firstLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return {};
    return urls.first().toLocalFile();
}

}  // namespace

DropFrame::DropFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) { setAcceptDrops(true); }

bool DropFrame::handleDrag(QWidget* receiver, QDropEvent* event, bool dropped) {
    const QString path = firstLocalFile(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return false;
    }
    event->acceptProposedAction();
    if (dropped && handler_) handler_(path, receiver->mapToGlobal(event->position().toPoint()));
    return true;
}

void DropFrame::dragEnterEvent(QDragEnterEvent* event) { handleDrag(this, event, false); }
void DropFrame::dragMoveEvent(QDragMoveEvent* event) { handleDrag(this, event, false); }
void DropFrame::dropEvent(QDropEvent* event) { handleDrag(this, event, true); }

}  // namespace lumivex::qt
