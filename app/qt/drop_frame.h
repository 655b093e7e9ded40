// A titled frame that accepts dropped files, for itself and for the pane that lies inside it.
#pragma once

#include <QGroupBox>
#include <QPoint>
#include <QString>
#include <functional>

class QDropEvent;

namespace lumivex::qt {

class DropFrame : public QGroupBox {
  public:
    // Receives the first dropped file's local path and where the pointer was, in screen coordinates.
    using DropHandler = std::function<void(const QString& firstPath, QPoint pointer)>;

    DropFrame(const QString& title, QWidget* parent);
    void setDropHandler(DropHandler handler) { handler_ = std::move(handler); }

    // Shared by the frame and its pane (`receiver`, whose coordinates the event is in): accepts a drag that
    // carries files; on a drop hands the first file on. True when the event was accepted.
    bool handleDrag(QWidget* receiver, QDropEvent* event, bool dropped);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    DropHandler handler_;
};

}  // namespace lumivex::qt
