// The pictures the host serves: demo pictures drawn on demand, thumbnails scaled from the
// pictures. The pixels of a QImage are written directly (the number is drawn in
// seven-segment digits, not with a font), so it works from any thread and needs no
// QGuiApplication, not even a QCoreApplication.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace albumhost {

// Largest thumbnail: pictures are scaled down to fit, keeping their proportions, never
// enlarged. A box of 0 x 0 serves every picture as its own thumbnail.
struct ThumbnailBox {
    int width = 150;
    int height = 143;
    bool scales() const { return width > 0 && height > 0; }
};

// JPEG bytes of a demo picture: width x height, a colour of its own, the number drawn large.
std::string drawnPicture(int number, int width, int height);
// JPEG bytes of that picture's thumbnail.
std::string drawnThumbnail(int number, int width, int height, ThumbnailBox box);
// JPEG thumbnail of a picture file's bytes (transparency on white); empty when they do not
// decode as a picture.
std::string thumbnailOfBytes(const std::string& bytes, ThumbnailBox box);

// "<w>x<h>" read from the file's header, or its size in bytes when that cannot be read.
std::string sizeText(const std::filesystem::path& file);

// Picture files the host serves, by the ending of their names: JPEG, PNG, GIF and BMP.
bool isPictureName(std::string_view fileName);
// Content-Type for a picture file's name.
std::string pictureContentType(std::string_view fileName);

} // namespace albumhost
