// A cell's thumbnail: holds the bytes of a picture file and draws them on its background
// in one of three display modes. Only the compressed bytes are kept per canvas; the
// picture is decoded when it is painted and kept in PictureCache while it is recent.
#pragma once

#include "core/text.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QWidget>

namespace pv {

class Canvas : public QWidget {
    Q_OBJECT
public:
    // 0: own size, top-left; 1: tiled; 2: centred, shrunk to fit keeping proportions.
    enum DisplayMode { TopLeft = 0, Tiled = 1, Fitted = 2 };

    explicit Canvas(QWidget* parent = nullptr);
    ~Canvas() override;

    // A new canvas in `parent` with this one's size, colours and display mode; hidden.
    Canvas* makeCopy(QWidget* parent) const;

    // Empty bytes, or bytes that do not decode, leave only the background.
    void setPicture(Bytes bytes);
    const Bytes& picture() const { return bytes_; }
    // Whether the bytes decode as a picture (decodes them when that is not known yet).
    bool hasImage();
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
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The picture as drawn in the current mode and size, or null.
    QImage shownPicture();
    void forgetDecoded();

    Bytes bytes_;
    int mode_ = TopLeft;
    bool undecodable_ = false;
    QColor background_ = Qt::white;
    QColor pen_ = QColor(192, 192, 192);
};

// Size of a picture of `picture` pixels in a canvas of `box` in mode 2: shrunk by the
// smaller of the two ratios when it is wider or taller than the box, never enlarged.
QSize fittedSize(QSize picture, QSize box);

// The part of the picture file that a canvas of `box` draws in `mode`: mode 2 fitted,
// modes 0 and 1 no more than the box from the top-left corner. Null when it does not decode.
QImage decodeForCanvas(const Bytes& bytes, int mode, QSize box);

} // namespace pv
