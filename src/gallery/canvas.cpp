#include "gallery/canvas.h"

#include "gallery/picturecache.h"

#include <QBuffer>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace pv {

QSize fittedSize(QSize picture, QSize box) {
    const qint64 w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0 || (w <= box.width() && h <= box.height()))
        return picture;
    // The smaller ratio decides: box.w / w against box.h / h, compared without division.
    if (box.width() * h <= box.height() * w)
        return QSize(box.width(), static_cast<int>(std::max<qint64>(1, h * box.width() / w)));
    return QSize(static_cast<int>(std::max<qint64>(1, w * box.height() / h)), box.height());
}

QImage decodeForCanvas(const Bytes& bytes, int mode, QSize box) {
    if (bytes.empty() || box.isEmpty())
        return QImage();
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize full = reader.size(); // from the header; invalid when the format hides it
    QImage image;
    if (full.isValid()) {
        if (mode == Canvas::Fitted) {
            const QSize target = fittedSize(full, box);
            if (target != full)
                reader.setScaledSize(target); // JPEG scales while decoding
        } else {
            const QRect part = QRect(QPoint(0, 0), full).intersected(QRect(QPoint(0, 0), box));
            if (part.size() != full)
                reader.setClipRect(part);
        }
    }
    if (!reader.read(&image) || image.isNull())
        return QImage();
    // The header may have lied, or been silent: bring the result to the size wanted.
    if (mode == Canvas::Fitted) {
        const QSize target = fittedSize(image.size(), box);
        if (target != image.size())
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else if (image.width() > box.width() || image.height() > box.height()) {
        image = image.copy(0, 0, std::min(image.width(), box.width()),
                           std::min(image.height(), box.height()));
    }
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

Canvas::Canvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

Canvas::~Canvas() {
    forgetDecoded();
}

Canvas* Canvas::makeCopy(QWidget* parent) const {
    auto* c = new Canvas(parent);
    c->resize(size());
    c->background_ = background_;
    c->pen_ = pen_;
    c->mode_ = mode_;
    return c;
}

void Canvas::setPicture(Bytes bytes) {
    bytes_ = std::move(bytes);
    bytes_.shrink_to_fit(); // a fetch grows its buffer in steps; thousands of cells keep these
    undecodable_ = false;
    forgetDecoded();
    update();
}

bool Canvas::hasImage() {
    return !shownPicture().isNull();
}

void Canvas::setDisplayMode(int mode) {
    if (mode == mode_)
        return;
    mode_ = mode;
    undecodable_ = false;
    forgetDecoded();
    update();
}

void Canvas::setBackgroundColour(const QColor& c) {
    background_ = c;
    update();
}

void Canvas::forgetDecoded() {
    PictureCache::canvases().erase(this);
}

QImage Canvas::shownPicture() {
    if (bytes_.empty() || undecodable_)
        return QImage();
    PictureCache& cache = PictureCache::canvases();
    QImage image = cache.find(this);
    if (!image.isNull())
        return image;
    image = decodeForCanvas(bytes_, mode_, size());
    if (image.isNull()) {
        undecodable_ = true; // not tried again until the bytes or the mode change
        return image;
    }
    cache.insert(this, image);
    return image;
}

void Canvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    const QImage image = shownPicture();
    if (image.isNull())
        return;
    switch (mode_) {
    case TopLeft:
        p.drawImage(0, 0, image);
        break;
    case Tiled:
        p.drawTiledPixmap(rect(), QPixmap::fromImage(image));
        break;
    default:
        p.drawImage((width() - image.width()) / 2, (height() - image.height()) / 2, image);
        break;
    }
}

void Canvas::resizeEvent(QResizeEvent* event) {
    undecodable_ = false;
    forgetDecoded();
    QWidget::resizeEvent(event);
}

// Presses and releases end here: passed on, they would reach the page frame below, whose
// own handlers hide the highlight or open the menu a second time.
void Canvas::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        emit leftPressed();
}

void Canvas::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::RightButton)
        emit rightReleased(event->globalPosition().toPoint());
}

} // namespace pv
