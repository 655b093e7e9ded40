#include "app/qt/pane_button.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace lumivex::qt {

PaneButton::PaneButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) { setAcceptDrops(true); }

void PaneButton::setImage(const QImage& image) {
    image_ = image;
    update();
}

void PaneButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.setClipRect(contents);
    if (!image_.isNull()) {
        const QPoint topLeft(contents.x() + (contents.width() - image_.width()) / 2,
                             contents.y() + (contents.height() - image_.height()) / 2);
        painter.drawImage(topLeft, image_);
        return;
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(contents, Qt::AlignCenter | Qt::TextWrapAnywhere | Qt::TextShowMnemonic, text());
}

void PaneButton::dragEnterEvent(QDragEnterEvent* event) {
    if (forwardDrop_ && forwardDrop_(this, event, false)) return;
    event->ignore();
}

void PaneButton::dragMoveEvent(QDragMoveEvent* event) {
    if (forwardDrop_ && forwardDrop_(this, event, false)) return;
    event->ignore();
}

void PaneButton::dropEvent(QDropEvent* event) {
    if (forwardDrop_ && forwardDrop_(this, event, true)) return;
    event->ignore();
}

}  // namespace lumivex::qt
