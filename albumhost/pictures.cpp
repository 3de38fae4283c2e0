#include "pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cctype>
#include <system_error>

namespace albumhost {

namespace {

constexpr int jpegQuality = 85;

std::string encodeJpeg(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", jpegQuality))
        return {};
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

// Segments a..g of the digits 0 to 9, bit 0 being segment a.
constexpr unsigned char segmentsOf[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                          0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(QPainter& painter, int digit, int x, int y, int w, int h, const QColor& colour) {
    const int t = std::max(2, w / 6);
    const int mid = h / 2;
    const int upper = mid - t - t / 2;
    const int lowerTop = mid + t / 2;
    const int lowerHeight = h - t - lowerTop;
    const QRect rects[7] = {
        {x + t, y, w - 2 * t, t},                  // a
        {x + w - t, y + t, t, upper},              // b
        {x + w - t, y + lowerTop, t, lowerHeight}, // c
        {x + t, y + h - t, w - 2 * t, t},          // d
        {x, y + lowerTop, t, lowerHeight},         // e
        {x, y + t, t, upper},                      // f
        {x + t, y + mid - t / 2, w - 2 * t, t},    // g
    };
    for (int s = 0; s < 7; ++s) {
        if (segmentsOf[digit] & (1u << s))
            painter.fillRect(rects[s], colour);
    }
}

QImage drawImage(int number, int width, int height) {
    width = std::max(width, 8);
    height = std::max(height, 8);
    QImage image(width, height, QImage::Format_RGB32);
    const int hue = static_cast<int>((static_cast<unsigned>(number) * 37u) % 360u);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor::fromHsv(hue, 90, 235));
    gradient.setColorAt(1, QColor::fromHsv(hue, 170, 150));
    painter.fillRect(image.rect(), gradient);
    const int frame = std::max(2, std::min(width, height) / 40);
    const QColor frameColour = QColor::fromHsv(hue, 200, 90);
    painter.fillRect(0, 0, width, frame, frameColour);
    painter.fillRect(0, height - frame, width, frame, frameColour);
    painter.fillRect(0, 0, frame, height, frameColour);
    painter.fillRect(width - frame, 0, frame, height, frameColour);

    const std::string digits = std::to_string(std::max(number, 0));
    const int count = static_cast<int>(digits.size());
    int digitHeight = height * 45 / 100;
    int digitWidth = digitHeight * 55 / 100;
    // Width of count digits with a quarter-digit gap between them; keep it within 80 %.
    const int maxWidth = width * 80 / 100;
    const int needed = count * digitWidth + (count - 1) * digitWidth / 4;
    if (needed > maxWidth) {
        digitWidth = digitWidth * maxWidth / needed;
        digitHeight = digitWidth * 100 / 55;
    }
    const int gap = digitWidth / 4;
    const int total = count * digitWidth + (count - 1) * gap;
    const int left = (width - total) / 2;
    const int top = (height - digitHeight) / 2;
    const int shadow = std::max(1, digitWidth / 12);
    for (int i = 0; i < count; ++i) {
        const int x = left + i * (digitWidth + gap);
        drawDigit(painter, digits[static_cast<std::size_t>(i)] - '0', x + shadow, top + shadow,
                  digitWidth, digitHeight, QColor(30, 30, 30));
        drawDigit(painter, digits[static_cast<std::size_t>(i)] - '0', x, top, digitWidth,
                  digitHeight, Qt::white);
    }
    return image;
}

QImage fitted(const QImage& image, ThumbnailBox box) {
    if (!box.scales() || (image.width() <= box.width && image.height() <= box.height))
        return image;
    return image.scaled(box.width, box.height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

std::string lowerExtension(std::string_view fileName) {
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    std::string ext(fileName.substr(dot + 1));
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

std::string drawnPicture(int number, int width, int height) {
    return encodeJpeg(drawImage(number, width, height));
}

std::string drawnThumbnail(int number, int width, int height, ThumbnailBox box) {
    return encodeJpeg(fitted(drawImage(number, width, height), box));
}

std::string thumbnailOfBytes(const std::string& bytes, ThumbnailBox box) {
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                            static_cast<int>(bytes.size())))
        return {};
    QImage small = fitted(image, box);
    if (small.hasAlphaChannel()) {
        QImage flat(small.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, small);
        painter.end();
        small = flat;
    }
    return encodeJpeg(small);
}

std::string sizeText(const std::filesystem::path& file) {
    QImageReader reader(QString::fromStdString(file.string()));
    QSize size = reader.size();
    if (size.isValid())
        return std::to_string(size.width()) + "x" + std::to_string(size.height());
    std::error_code error;
    auto bytes = std::filesystem::file_size(file, error);
    return error ? std::string("0") : std::to_string(bytes);
}

bool isPictureName(std::string_view fileName) {
    const std::string ext = lowerExtension(fileName);
    return ext == "jpg" || ext == "jpeg" || ext == "png" || ext == "gif" || ext == "bmp";
}

std::string pictureContentType(std::string_view fileName) {
    const std::string ext = lowerExtension(fileName);
    if (ext == "png")
        return "image/png";
    if (ext == "gif")
        return "image/gif";
    if (ext == "bmp")
        return "image/bmp";
    return "image/jpeg";
}

} // namespace albumhost
