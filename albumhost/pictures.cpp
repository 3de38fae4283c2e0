#include "pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QRect>
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

// Pixels are written directly rather than through QPainter: its raster engine spreads
// larger fills over a thread pool of its own, which race detectors cannot see into.
void fillRect(QImage& image, int x, int y, int w, int h, QRgb colour) {
    const int left = std::max(x, 0);
    const int right = std::min(x + w, image.width());
    for (int row = std::max(y, 0); row < std::min(y + h, image.height()); ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        std::fill(line + left, line + std::max(left, right), colour);
    }
}

// From `from` in the top-left corner to `to` in the bottom-right one.
void fillGradient(QImage& image, QColor from, QColor to) {
    const long long w = image.width();
    const long long h = image.height();
    const long long span = std::max(1LL, w * w + h * h);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const long long t = (x * w + y * h) * 256 / span; // 0 to 256
            auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t / 256); };
            line[x] = qRgb(mix(from.red(), to.red()), mix(from.green(), to.green()),
                           mix(from.blue(), to.blue()));
        }
    }
}

// Segments a..g of the digits 0 to 9, bit 0 being segment a.
constexpr unsigned char segmentsOf[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                          0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(QImage& image, int digit, int x, int y, int w, int h, QRgb colour) {
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
            fillRect(image, rects[s].x(), rects[s].y(), rects[s].width(), rects[s].height(),
                     colour);
    }
}

QImage drawImage(int number, int width, int height) {
    width = std::max(width, 8);
    height = std::max(height, 8);
    QImage image(width, height, QImage::Format_RGB32);
    const int hue = static_cast<int>((static_cast<unsigned>(number) * 37u) % 360u);
    fillGradient(image, QColor::fromHsv(hue, 90, 235), QColor::fromHsv(hue, 170, 150));
    const int frame = std::max(2, std::min(width, height) / 40);
    const QRgb frameColour = QColor::fromHsv(hue, 200, 90).rgb();
    fillRect(image, 0, 0, width, frame, frameColour);
    fillRect(image, 0, height - frame, width, frame, frameColour);
    fillRect(image, 0, 0, frame, height, frameColour);
    fillRect(image, width - frame, 0, frame, height, frameColour);

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
        const int digit = digits[static_cast<std::size_t>(i)] - '0';
        drawDigit(image, digit, x + shadow, top + shadow, digitWidth, digitHeight,
                  qRgb(30, 30, 30));
        drawDigit(image, digit, x, top, digitWidth, digitHeight, qRgb(255, 255, 255));
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
        // Transparent parts on white, as a browser would show them.
        small = small.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < small.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(small.scanLine(y));
            for (int x = 0; x < small.width(); ++x) {
                const int a = qAlpha(line[x]);
                auto over = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
                line[x] = qRgb(over(qRed(line[x])), over(qGreen(line[x])), over(qBlue(line[x])));
            }
        }
        small = small.convertToFormat(QImage::Format_RGB32);
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
