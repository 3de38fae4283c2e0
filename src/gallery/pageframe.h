// A page frame of the gallery (外形框3 and its copies): holds up to 600 cells.
#pragma once

#include <QFrame>
#include <QMouseEvent>

namespace pv {

class PageFrame : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;

    // An empty page frame in `parent` with this one's size, shape and colours; hidden.
    PageFrame* makeCopy(QWidget* parent) const {
        auto* f = new PageFrame(parent);
        f->resize(size());
        f->setFrameStyle(frameStyle());
        f->setPalette(palette());
        f->setAutoFillBackground(autoFillBackground());
        return f;
    }

signals:
    void leftPressed();
    void rightReleased(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            event->accept();
            emit leftPressed();
            return;
        }
        QFrame::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) {
            event->accept();
            emit rightReleased(event->globalPosition().toPoint());
            return;
        }
        QFrame::mouseReleaseEvent(event);
    }
};

} // namespace pv
