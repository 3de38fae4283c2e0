// The gallery's vertical scroll bar: the wheel is reported in notches for the program's
// own wheel step instead of the bar's built-in scrolling.
#pragma once

#include <QScrollBar>
#include <QWheelEvent>

namespace pv {

class GalleryScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit GalleryScrollBar(QWidget* parent = nullptr) : QScrollBar(Qt::Vertical, parent) {}

signals:
    // Notches turned: rotation / 120 truncated toward zero, positive away from the user.
    void wheelTurned(int notches);

protected:
    void wheelEvent(QWheelEvent* event) override {
        emit wheelTurned(event->angleDelta().y() / 120);
        event->accept();
    }
};

} // namespace pv
