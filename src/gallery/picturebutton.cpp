#include "gallery/picturebutton.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>

namespace pv {

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

QImage PictureButton::highlightPicture(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(QColor(242, 193, 209));
    QPainter p(&img);
    p.fillRect(6, 6, width - 12, height - 12, Qt::white);
    return img;
}

void PictureButton::setPicture(const QImage& picture) {
    source_ = picture;
    rebuild();
}

void PictureButton::setTransparentColour(const QColor& c) {
    transparent_ = c;
    rebuild();
}

void PictureButton::rebuild() {
    if (source_.isNull()) {
        shown_ = QPixmap();
        clearMask();
        update();
        return;
    }
    shown_ = QPixmap::fromImage(source_);
    // Set bits are what shows: everything but the transparent colour.
    const QBitmap mask = shown_.createMaskFromColor(transparent_, Qt::MaskInColor);
    shown_.setMask(mask);
    // Clicks inside the transparent part reach the cell below.
    setMask(mask);
    update();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!shown_.isNull())
        p.drawPixmap(0, 0, shown_);
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // Accepted here, so that the page frame under the highlight does not open the menu too.
        event->accept();
        emit rightReleased(event->globalPosition().toPoint());
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}

} // namespace pv
