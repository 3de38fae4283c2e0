// A cell's check box: numbered caption, and a right-button release for the pop-up menu.
#pragma once

#include <QCheckBox>
#include <QMouseEvent>

namespace pv {

class CellCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

    // A new check box in `parent` with this one's size, caption, font and colours; hidden.
    CellCheckBox* makeCopy(QWidget* parent) const {
        auto* c = new CellCheckBox(text(), parent);
        c->resize(size());
        c->setFont(font());
        c->setPalette(palette());
        c->setAutoFillBackground(autoFillBackground());
        return c;
    }

signals:
    void rightReleased(const QPoint& globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) {
            // Accepted here, so that the page frame below does not open the menu a second time.
            event->accept();
            emit rightReleased(event->globalPosition().toPoint());
            return;
        }
        QCheckBox::mouseReleaseEvent(event);
    }
};

} // namespace pv
