// The pink heart: a small text label that shows the hand cursor and reports clicks like a notifying static.
#pragma once

#include <QLabel>
#include <functional>

namespace lumivex::qt {

class LinkMark : public QLabel {
  public:
    static constexpr int kClicked = 0;        // STN_CLICKED
    static constexpr int kDoubleClicked = 1;  // STN_DBLCLK

    // Receives the notification code of each click.
    using Notify = std::function<void(int code)>;

    LinkMark(const QString& text, QWidget* parent);
    void setNotify(Notify notify) { notify_ = std::move(notify); }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    Notify notify_;
    bool inDoubleClick_ = false;  // the release that ends a double click is no click of its own
};

}  // namespace lumivex::qt
