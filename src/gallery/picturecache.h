// The decoded pictures of the canvases that were painted last. A canvas keeps only the
// compressed bytes of its picture; what it draws is decoded on demand and kept here within
// a byte budget, so that an album of tens of thousands of thumbnails costs what its files
// cost, plus the pictures in and near the view.
#pragma once

#include <QImage>
#include <cstddef>
#include <list>
#include <unordered_map>

namespace pv {

class PictureCache {
public:
    explicit PictureCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

    // The picture kept for `owner`, now the most recently used; null when none is kept.
    QImage find(const void* owner);
    // Keeps `image` for `owner` (replacing what it had) and lets go of the least recently
    // used pictures until the budget holds again; the newest one always stays.
    void insert(const void* owner, QImage image);
    void erase(const void* owner);

    std::size_t bytes() const { return bytes_; }
    std::size_t size() const { return index_.size(); }

    // The cache of the window thread's canvases.
    static PictureCache& canvases();

private:
    struct Entry {
        const void* owner;
        QImage image;
    };
    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::list<Entry> order_; // most recently used first
    std::unordered_map<const void*, std::list<Entry>::iterator> index_;
};

} // namespace pv
