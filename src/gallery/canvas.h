// A cell's thumbnail: holds the bytes of a picture file and draws them on its background
// in one of three display modes.
#pragma once

#include "core/text.h"

#include <QColor>
#include <QImage>
#include <QWidget>

namespace pv {

class Canvas : public QWidget {
    Q_OBJECT
public:
    // 0: own size, top-left; 1: tiled; 2: centred, shrunk to fit keeping proportions.
    enum DisplayMode { TopLeft = 0, Tiled = 1, Fitted = 2 };

    explicit Canvas(QWidget* parent = nullptr);

    void setPicture(const Bytes& bytes);
    const Bytes& picture() const { return bytes_; }
    // Whether the bytes decoded as a picture.
    bool hasImage() const { return !image_.isNull(); }
    void setDisplayMode(int mode);
    int displayMode() const { return mode_; }
    void setBackgroundColour(const QColor& c);
    QColor backgroundColour() const { return background_; }
    void setPenColour(const QColor& c) { pen_ = c; }
    QColor penColour() const { return pen_; }

signals:
    void leftPressed();
    void rightReleased(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void decode();

    Bytes bytes_;
    QImage image_; // never larger than the canvas
    int mode_ = TopLeft;
    QColor background_ = Qt::white;
    QColor pen_ = QColor(192, 192, 192);
};

} // namespace pv
