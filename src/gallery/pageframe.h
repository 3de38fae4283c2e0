// A page frame of the gallery (外形框3 and its copies): holds up to 600 cells.
#pragma once

#include <QFrame>
#include <QMouseEvent>

namespace pv {

class PageFrame : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;

signals:
    void leftPressed();
    void rightReleased(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            emit leftPressed();
        QFrame::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton)
            emit rightReleased(event->globalPosition().toPoint());
        QFrame::mouseReleaseEvent(event);
    }
};

} // namespace pv
