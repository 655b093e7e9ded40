// The pink heart: a small text label that shows the hand cursor and reports single clicks.
#pragma once

#include <QLabel>
#include <functional>

namespace lumivex::qt {

class LinkMark : public QLabel {
  public:
    using Clicked = std::function<void()>;

    LinkMark(const QString& text, QWidget* parent);
    void setClicked(Clicked clicked) { clicked_ = std::move(clicked); }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    Clicked clicked_;
    bool inDoubleClick_ = false;  // the release that ends a double click is no click of its own
};

}  // namespace lumivex::qt
