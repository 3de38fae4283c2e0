#include "site.h"

#include "hostpath.h"
#include "pages.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace albumhost {

namespace {

std::optional<int> pageNumber(const std::string& text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool sameLetters(const std::string& a, const char* b) {
    std::string_view bv(b);
    if (a.size() != bv.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != bv[i])
            return false;
    }
    return true;
}

std::string decodedIndex(const std::string& member) {
    return "/" + member + "/album";
}

std::string decodedAlbum(const std::string& member, int number) {
    return decodedIndex(member) + "/" + std::to_string(number);
}

int lastPageIndex(std::size_t items, int perPage) {
    perPage = std::max(perPage, 1);
    return items == 0 ? 0 : static_cast<int>((items - 1) / static_cast<std::size_t>(perPage));
}

template <typename T>
std::pair<std::size_t, std::size_t> pageSlice(const std::vector<T>& items, int pageIndex,
                                              int perPage) {
    perPage = std::max(perPage, 1);
    const std::size_t from = std::min(items.size(), static_cast<std::size_t>(pageIndex) *
                                                        static_cast<std::size_t>(perPage));
    const std::size_t to = std::min(items.size(), from + static_cast<std::size_t>(perPage));
    return {from, to};
}

bool readFile(const std::filesystem::path& file, std::string& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

Answer notFound() {
    return {404, pageContentType, messagePage(404)};
}

// The picture's bytes, full size or thumbnail; made once for drawn pictures and thumbnails.
Answer pictureAnswer(const Picture& p, bool thumbnail, const SiteSettings& settings,
                     const Catalogue& catalogue) {
    const bool drawn = p.file.empty();
    std::string type = drawn ? "image/jpeg" : pictureContentType(p.fileName);
    const bool scaled = thumbnail && settings.thumbnail.scales();
    if (scaled)
        type = "image/jpeg";
    if (!drawn) {
        // Checked again here: the file may have been replaced by a link since the scan.
        if (!isInside(catalogue.root(), p.file))
            return notFound();
        if (!scaled) {
            std::string bytes;
            if (!readFile(p.file, bytes))
                return notFound();
            return {200, type, std::move(bytes)};
        }
    }
    std::lock_guard lock(p.cache->mutex);
    std::string& slot = scaled ? p.cache->thumbnail : p.cache->picture;
    if (slot.empty()) {
        std::string bytes;
        if (drawn && scaled)
            slot = drawnThumbnail(p.number, p.width, p.height, settings.thumbnail);
        else if (drawn)
            slot = drawnPicture(p.number, p.width, p.height);
        else if (readFile(p.file, bytes))
            slot = thumbnailOfBytes(bytes, settings.thumbnail);
    }
    if (slot.empty())
        return notFound();
    return {200, type, slot};
}

} // namespace

std::string indexAddress(const std::string& member) {
    return "/" + addressSegment(member) + "/album";
}

std::string albumAddress(const std::string& member, int albumNumber) {
    return indexAddress(member) + "/" + std::to_string(albumNumber);
}

std::vector<std::string> albumPaths(const std::string& member, int albumNumber,
                                    const Album& album) {
    return {decodedAlbum(member, albumNumber), "/" + member + "/" + album.name};
}

std::string declaredCount(const std::string& member, int albumNumber, const Album& album,
                          const FaultRules& rules) {
    auto declared = rules.declared(albumPaths(member, albumNumber, album));
    return declared ? *declared : album.declared;
}

Target resolve(const Catalogue& catalogue, std::string_view requestTarget) {
    Target t;
    t.known.push_back(normalPath(requestTarget));
    auto segments = pathSegments(requestTarget);
    if (!segments || segments->size() < 2)
        return t;
    const std::vector<std::string>& s = *segments;
    auto member = catalogue.findMember(s[0]);
    if (!member)
        return t;
    t.member = member->name;
    std::size_t rest = 2;
    if (s[1] == "album") {
        if (s.size() == 2 || (s.size() == 4 && s[2] == "index")) {
            auto page = s.size() == 2 ? std::optional<int>(0) : pageNumber(s[3]);
            if (!page)
                return t;
            t.kind = Kind::albumIndex;
            t.albums = std::move(member->albums);
            t.pageIndex = *page;
            t.listingAddress = s.size() == 2;
            t.known.push_back(decodedIndex(t.member) +
                              (t.listingAddress ? "" : "/index/" + std::to_string(*page)));
            return t;
        }
        auto number = pageNumber(s[2]);
        if (!number || *number < 1 || static_cast<std::size_t>(*number) > member->albums.size())
            return t;
        t.albumNumber = *number;
        rest = 3;
    } else {
        auto names = nameCandidates(s[1]);
        for (std::size_t i = 0; i < member->albums.size() && t.albumNumber == 0; ++i) {
            if (std::find(names.begin(), names.end(), member->albums[i]->name) != names.end())
                t.albumNumber = static_cast<int>(i + 1);
        }
        if (t.albumNumber == 0)
            return t;
    }
    t.album = member->albums[static_cast<std::size_t>(t.albumNumber - 1)];
    // Rules may name the album by its purl or by its name.
    const std::string base = decodedAlbum(t.member, t.albumNumber);
    const std::string named = "/" + t.member + "/" + t.album->name;
    auto know = [&](const std::string& suffix) {
        t.known.push_back(base + suffix);
        t.known.push_back(named + suffix);
    };
    const std::size_t left = s.size() - rest;
    if (left == 0 || (left == 2 && s[rest] == "index")) {
        auto page = left == 0 ? std::optional<int>(0) : pageNumber(s[rest + 1]);
        if (!page)
            return t;
        t.kind = Kind::albumPage;
        t.pageIndex = *page;
        t.listingAddress = left == 0;
        know(t.listingAddress ? "" : "/index/" + std::to_string(*page));
        return t;
    }
    const bool thumbnail = sameLetters(s[rest], "abpic");
    if (left < 2 || (!thumbnail && !sameLetters(s[rest], "pic")))
        return t;
    std::string key = s[rest + 1];
    for (std::size_t i = rest + 2; i < s.size(); ++i)
        key += "/" + s[i];
    for (const std::string& candidate : nameCandidates(key)) {
        if (const Picture* p = t.album->find(candidate)) {
            t.picture = p;
            t.kind = thumbnail ? Kind::thumbnail : Kind::picture;
            know((thumbnail ? "/abpic/" : "/pic/") + percentDecode(p->key));
            return t;
        }
    }
    return t;
}

Answer answer(const Target& t, const SiteSettings& settings, const std::string& host,
              const Catalogue& catalogue, const FaultRules& rules) {
    switch (t.kind) {
    case Kind::none:
        return notFound();
    case Kind::albumIndex: {
        Pager pager{indexAddress(t.member), t.pageIndex,
                    lastPageIndex(t.albums.size(), settings.albumsPerPage)};
        std::vector<AlbumRecord> records;
        auto [from, to] = pageSlice(t.albums, t.pageIndex, settings.albumsPerPage);
        for (std::size_t i = from; i < to; ++i) {
            const int number = static_cast<int>(i + 1);
            records.push_back({albumAddress(t.member, number), t.albums[i]->name,
                               declaredCount(t.member, number, *t.albums[i], rules)});
        }
        return {200, pageContentType, albumIndexPage(t.member, records, pager)};
    }
    case Kind::albumPage: {
        const std::string base = albumAddress(t.member, t.albumNumber);
        Pager pager{base, t.pageIndex,
                    lastPageIndex(t.album->pictures.size(), settings.picturesPerPage)};
        std::vector<PictureRecord> records;
        auto [from, to] = pageSlice(t.album->pictures, t.pageIndex, settings.picturesPerPage);
        for (std::size_t i = from; i < to; ++i) {
            const Picture& p = t.album->pictures[i];
            const std::string root = "http://" + host + base;
            records.push_back({root + "/abpic/" + p.key, p.size, p.name, root + "/pic/" + p.key});
        }
        return {200, pageContentType, albumPage(t.member, t.album->name, records, pager)};
    }
    case Kind::thumbnail:
    case Kind::picture:
        return pictureAnswer(*t.picture, t.kind == Kind::thumbnail, settings, catalogue);
    }
    return notFound();
}

} // namespace albumhost
