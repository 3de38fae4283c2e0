// The highlight frame: a picture button whose transparent colour lets the cell show through.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace pv {

class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    void setTransparentColour(const QColor& c);
    QColor transparentColour() const { return transparent_; }
    // The highlight: a 6-pixel frame of RGB 242,193,209 around a white inside.
    static QImage highlightPicture(int width = 162, int height = 175);

signals:
    void rightReleased(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void rebuild();

    QImage source_;
    QPixmap shown_;
    QColor transparent_ = Qt::white;
};

} // namespace pv
