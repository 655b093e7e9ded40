#include "app/qt/link_mark.h"

#include <QMouseEvent>

#include "app/core/controls.h"

namespace lumivex::qt {

LinkMark::LinkMark(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // Pink text straight on the picture beneath: no background of its own.
    setAutoFillBackground(false);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(app::kLinkMarkRed, app::kLinkMarkGreen, app::kLinkMarkBlue));
    setPalette(colours);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCursor(Qt::PointingHandCursor);
}

void LinkMark::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) inDoubleClick_ = false;
}

void LinkMark::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool endsDoubleClick = inDoubleClick_;
    inDoubleClick_ = false;
    if (!endsDoubleClick && rect().contains(event->position().toPoint()) && clicked_) clicked_();
}

void LinkMark::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // A double click opens the page once, with its first click.
    inDoubleClick_ = true;
}

}  // namespace lumivex::qt
