// The thumbnail gallery: cells on page frames of 600, thumbnail loading, the highlight,
// the pop-up menu's selection commands and scrolling. Everything runs on the window thread.
#pragma once

#include <chrono>

namespace pv {

class MainWindow;

// Connects the gallery's events (canvases, check boxes, page frames, the highlight, the
// scroll bar, the menu's 重新载入/全选/全不选/反选) once, when the window is created.
void connectGallery(MainWindow& window);

// The first step of a picture listing: the highlight hidden, 外形框3 at top 0, height 541.
void resetGalleryView();
// Destroys the previous gallery's cells and page frame copies; the highlight survives.
void destroyGalleryCells();
// One cell per picture (photoCount cells) on page frames, the scroll bar set up.
void buildGallery();
// The thumbnail crew; then ends the listing: busy cleared, the buttons enabled again.
void loadThumbnails();
// 重新载入: the thumbnail of currentCell fetched again, off the window thread; the cell is
// blank until the bytes arrive.
void reloadThumbnail();

// Placing the page frames for the scroll bar's position, and the wheel step of `notches`
// (positive away from the user); what the scroll bar's events run.
void placePageFrames();
void wheelStep(int notches);

// How long one thumbnail fetch may take to connect, and in all. A host that never answers
// costs its cell, not the listing.
struct ThumbnailFetchLimits {
    std::chrono::seconds connect{10};
    std::chrono::seconds total{30};
};
void setThumbnailFetchLimits(ThumbnailFetchLimits limits);
ThumbnailFetchLimits thumbnailFetchLimits();

} // namespace pv
