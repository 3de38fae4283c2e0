// A cell's check box: numbered caption, and a right-button release for the pop-up menu.
#pragma once

#include <QCheckBox>
#include <QMouseEvent>

namespace pv {

class CellCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

signals:
    void rightReleased(const QPoint& globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton)
            emit rightReleased(event->globalPosition().toPoint());
        QCheckBox::mouseReleaseEvent(event);
    }
};

} // namespace pv
