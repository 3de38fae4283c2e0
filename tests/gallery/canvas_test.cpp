// The canvas: decoding picture bytes and drawing them in the three display modes, and the
// cache that holds the decoded pictures.
#include "gallery/canvas.h"
#include "gallery/picturecache.h"
#include "galleryfixture.h"

#include <QBuffer>
#include <QPainter>

namespace pv {
namespace {

Bytes encoded(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

QImage filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool isWhite(QRgb p) {
    return qRed(p) > 245 && qGreen(p) > 245 && qBlue(p) > 245;
}

// What the canvas shows, and the bounding box of everything that is not background.
QRect pictureArea(const QImage& shown) {
    QRect box;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (!isWhite(shown.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override { canvas.resize(150, 143); }
    QImage shown() { return canvas.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    Canvas canvas;
};

TEST_F(CanvasTest, DisplayModes) {
    struct Case {
        const char* what;
        QSize picture;
        int mode;
        QRect area; // where the picture shows; empty: nowhere
    } cases[] = {
        {"mode 2, twice the canvas: shrunk to fill it", {300, 286}, 2, {0, 0, 150, 143}},
        {"mode 2, wide: shrunk by the width's ratio, centred", {300, 100}, 2, {0, 46, 150, 50}},
        {"mode 2, tall: shrunk by the height's ratio, centred", {100, 286}, 2, {50, 0, 50, 143}},
        {"mode 2, smaller: own size in the middle", {50, 40}, 2, {50, 51, 50, 40}},
        {"mode 2, as wide as the canvas only", {150, 20}, 2, {0, 61, 150, 20}},
        {"mode 0, smaller: top-left", {50, 40}, 0, {0, 0, 50, 40}},
        {"mode 0, larger: cut at the canvas", {400, 300}, 0, {0, 0, 150, 143}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        canvas.setDisplayMode(c.mode);
        canvas.setPicture(encoded(filled(c.picture, Qt::blue), "PNG"));
        EXPECT_TRUE(canvas.hasImage());
        const QImage image = shown();
        EXPECT_EQ(pictureArea(image), c.area);
        EXPECT_EQ(image.pixel(c.area.center()), qRgb(0, 0, 255));
    }
}

TEST_F(CanvasTest, ShrinkingKeepsThePicture) {
    // Left half red, right half green: still so after halving.
    QImage picture(300, 286, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter(&picture).fillRect(150, 0, 150, 286, Qt::green);
    canvas.setDisplayMode(Canvas::Fitted);
    canvas.setPicture(encoded(picture, "BMP"));
    const QImage image = shown();
    EXPECT_EQ(image.pixel(30, 70), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(120, 70), qRgb(0, 255, 0));
}

TEST_F(CanvasTest, TiledRepeatsThePicture) {
    QImage picture(40, 40, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter(&picture).fillRect(0, 0, 10, 10, Qt::black);
    canvas.setDisplayMode(Canvas::Tiled);
    canvas.setPicture(encoded(picture, "PNG"));
    const QImage image = shown();
    for (QPoint p : {QPoint(5, 5), QPoint(45, 5), QPoint(125, 85), QPoint(5, 125)})
        EXPECT_EQ(image.pixel(p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
    EXPECT_TRUE(isWhite(image.pixel(25, 25)));
}

TEST_F(CanvasTest, FileFormats) {
    // A 1 x 1 GIF of one red pixel (Qt writes no GIF of its own).
    static const char gifBytes[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                                   ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";
    const Bytes gif(gifBytes, sizeof gifBytes - 1);
    const QImage red = filled({20, 20}, Qt::red);
    struct Case {
        const char* format;
        Bytes bytes;
        QPoint at;
    } cases[] = {
        {"JPEG", encoded(red, "JPEG"), {74, 71}},
        {"PNG", encoded(red, "PNG"), {74, 71}},
        {"BMP", encoded(red, "BMP"), {74, 71}},
        {"GIF", gif, {74, 71}},
    };
    canvas.setDisplayMode(Canvas::Fitted);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        canvas.setPicture(c.bytes);
        ASSERT_TRUE(canvas.hasImage());
        const QRgb p = shown().pixel(c.at);
        EXPECT_GT(qRed(p), 200);
        EXPECT_LT(qGreen(p), 60);
        EXPECT_LT(qBlue(p), 60);
    }
}

TEST_F(CanvasTest, WhatDoesNotDecodeLeavesTheBackground) {
    const Bytes jpeg = encoded(filled({300, 300}, Qt::blue), "JPEG");
    const Bytes cases[] = {
        Bytes(), Bytes("<html><body>404 Not Found</body></html>"),
        jpeg.substr(0, 20), // the header promises a picture that never comes
    };
    canvas.setDisplayMode(Canvas::Fitted);
    for (const Bytes& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        canvas.setPicture(encoded(filled({10, 10}, Qt::blue), "PNG")); // something before
        canvas.setPicture(bytes);
        EXPECT_FALSE(canvas.hasImage());
        EXPECT_TRUE(pictureArea(shown()).isEmpty());
    }
}

TEST(FittedSize, NeverEnlargesAndKeepsProportions) {
    const QSize box(150, 143);
    struct Case {
        QSize picture, fitted;
    } cases[] = {
        {{150, 143}, {150, 143}}, {{10, 10}, {10, 10}},       {{300, 286}, {150, 143}},
        {{1000, 1}, {150, 1}},    {{1, 1000}, {1, 143}},      {{151, 143}, {150, 142}},
        {{400, 300}, {150, 112}}, {{4000, 3000}, {150, 112}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fittedSize(c.picture, box), c.fitted)
            << c.picture.width() << "x" << c.picture.height();
}

TEST(PictureCache, KeepsTheMostRecentWithinItsBudget) {
    const QImage one = filled({16, 16}, Qt::red); // 1 KiB each
    PictureCache cache(3 * 1024);
    int a, b, c, d;
    cache.insert(&a, one);
    cache.insert(&b, one);
    cache.insert(&c, one);
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_FALSE(cache.find(&a).isNull()); // a is now the most recent
    cache.insert(&d, one);                 // b goes
    EXPECT_TRUE(cache.find(&b).isNull());
    EXPECT_FALSE(cache.find(&a).isNull());
    EXPECT_FALSE(cache.find(&c).isNull());
    EXPECT_EQ(cache.bytes(), 3u * 1024);
    cache.insert(&c, filled({16, 8}, Qt::red)); // replaced, not added
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.bytes(), 2u * 1024 + 512);
    cache.erase(&a);
    cache.erase(&a);
    EXPECT_EQ(cache.size(), 2u);
    // One picture above the budget still stays, alone.
    cache.insert(&b, filled({64, 64}, Qt::red));
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_FALSE(cache.find(&b).isNull());
}

TEST(PictureCache, ADestroyedCanvasLeavesNothingBehind) {
    PictureCache& cache = PictureCache::canvases();
    const std::size_t before = cache.size();
    {
        Canvas c;
        c.resize(150, 143);
        c.setDisplayMode(Canvas::Fitted);
        c.setPicture(encoded(filled({300, 300}, Qt::blue), "PNG"));
        ASSERT_TRUE(c.hasImage());
        EXPECT_EQ(cache.size(), before + 1);
    }
    EXPECT_EQ(cache.size(), before);
}

} // namespace
} // namespace pv
