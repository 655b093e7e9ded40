// A preview pane: a push button that shows its picture centred and clipped when it has one, and its caption
// (the prompt, or a path whose file gave no picture) wrapped over several lines when it has none. The caption
// is where the chosen path is kept.
#pragma once

#include <QImage>
#include <QPushButton>
#include <functional>

namespace lumivex::qt {

class PaneButton : public QPushButton {
  public:
    // Drags and drops over the pane are handed to `forwardDrop`, the handling of the frame around it.
    using DropForward = std::function<bool(QWidget* receiver, QDropEvent* event, bool dropped)>;

    PaneButton(const QString& caption, QWidget* parent);

    void setImage(const QImage& image);  // replaces (and releases) the previous picture
    const QImage& image() const { return image_; }
    void setDropForward(DropForward forward) { forwardDrop_ = std::move(forward); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QImage image_;
    DropForward forwardDrop_;
};

}  // namespace lumivex::qt
