#include "gallery/picturecache.h"

namespace pv {

namespace {
std::size_t costOf(const QImage& image) {
    return static_cast<std::size_t>(image.sizeInBytes());
}
} // namespace

QImage PictureCache::find(const void* owner) {
    auto it = index_.find(owner);
    if (it == index_.end())
        return QImage();
    order_.splice(order_.begin(), order_, it->second);
    return it->second->image;
}

void PictureCache::insert(const void* owner, QImage image) {
    erase(owner);
    bytes_ += costOf(image);
    order_.push_front({owner, std::move(image)});
    index_.emplace(owner, order_.begin());
    while (bytes_ > budget_ && order_.size() > 1) {
        const Entry& last = order_.back();
        bytes_ -= costOf(last.image);
        index_.erase(last.owner);
        order_.pop_back();
    }
}

void PictureCache::erase(const void* owner) {
    auto it = index_.find(owner);
    if (it == index_.end())
        return;
    bytes_ -= costOf(it->second->image);
    order_.erase(it->second);
    index_.erase(it);
}

PictureCache& PictureCache::canvases() {
    // Some 400 cells' worth of 150 x 143 pictures: the view and several pages around it.
    static PictureCache cache(32u << 20);
    return cache;
}

} // namespace pv
