#include "gallery/canvas.h"

#include <QMouseEvent>
#include <QPainter>

namespace pv {

Canvas::Canvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Canvas::setPicture(const Bytes& bytes) {
    bytes_ = bytes;
    decode();
    update();
}

void Canvas::setDisplayMode(int mode) {
    if (mode == mode_)
        return;
    mode_ = mode;
    decode();
    update();
}

void Canvas::setBackgroundColour(const QColor& c) {
    background_ = c;
    update();
}

void Canvas::decode() {
    image_ = QImage();
    if (bytes_.empty())
        return;
    QImage img = QImage::fromData(reinterpret_cast<const uchar*>(bytes_.data()),
                                  static_cast<int>(bytes_.size()));
    if (img.isNull())
        return;
    if (mode_ == Fitted) {
        if (img.width() > width() || img.height() > height())
            img = img.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    } else if (mode_ == TopLeft && (img.width() > width() || img.height() > height())) {
        img = img.copy(0, 0, std::min(img.width(), width()), std::min(img.height(), height()));
    }
    image_ = img;
}

void Canvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    if (image_.isNull())
        return;
    switch (mode_) {
    case TopLeft:
        p.drawImage(0, 0, image_);
        break;
    case Tiled:
        p.drawTiledPixmap(rect(), QPixmap::fromImage(image_));
        break;
    default:
        p.drawImage((width() - image_.width()) / 2, (height() - image_.height()) / 2, image_);
        break;
    }
}

void Canvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit leftPressed();
    QWidget::mousePressEvent(event);
}

void Canvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        emit rightReleased(event->globalPosition().toPoint());
    QWidget::mouseReleaseEvent(event);
}

} // namespace pv
