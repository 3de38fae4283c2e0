#include "catalogue.h"

#include "hostpath.h"

#include "core/text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>

namespace albumhost {

namespace fs = std::filesystem;

namespace {

std::string toGbk(const std::string& name) {
    // A name on disk that is not UTF-8 is taken to be GBK already.
    return isUtf8(name) ? pv::utf8ToGbk(name) : name;
}

// Digit runs compare by value, so "img2" comes before "img10".
bool naturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[j]);
        if (std::isdigit(ca) && std::isdigit(cb)) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej])))
                ++ej;
            std::string_view da(a.data() + i, ei - i);
            std::string_view db(b.data() + j, ej - j);
            while (da.size() > 1 && da.front() == '0')
                da.remove_prefix(1);
            while (db.size() > 1 && db.front() == '0')
                db.remove_prefix(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (da != db)
                return da < db;
            i = ei;
            j = ej;
            continue;
        }
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;
}

std::vector<fs::directory_entry> sortedEntries(const fs::path& folder) {
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name.front() != '.')
            entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& x, const auto& y) {
        return naturalLess(x.path().filename().string(), y.path().filename().string());
    });
    return entries;
}

bool isFolderInside(const fs::path& root, const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_directory(error) && !error && isInside(root, entry.path());
}

std::string stem(const std::string& fileName) {
    std::size_t dot = fileName.rfind('.');
    return (dot == std::string::npos || dot == 0) ? fileName : fileName.substr(0, dot);
}

Picture drawn(int number, std::string fileName, std::string name, int width = 400,
              int height = 300) {
    Picture p;
    p.fileName = pv::utf8ToGbk(fileName);
    p.name = pv::utf8ToGbk(name);
    p.number = number;
    p.width = width;
    p.height = height;
    p.size = std::to_string(width) + "x" + std::to_string(height);
    return p;
}

Album demoAlbum(const char* name, std::vector<Picture> pictures) {
    Album album;
    album.name = pv::utf8ToGbk(name);
    album.declared = std::to_string(pictures.size());
    album.pictures = std::move(pictures);
    return album;
}

std::vector<Picture> numbered(int count, const char* caption, int width, int height) {
    std::vector<Picture> pictures;
    for (int n = 1; n <= count; ++n) {
        char file[16];
        std::snprintf(file, sizeof file, "%04d.jpg", n);
        pictures.push_back(drawn(n, file, std::string(caption) + std::to_string(n), width, height));
    }
    return pictures;
}

} // namespace

bool isInside(const fs::path& root, const fs::path& path) {
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    if (error)
        return false;
    auto [r, p] = std::mismatch(root.begin(), root.end(), real.begin(), real.end());
    return r == root.end();
}

void Album::index() {
    byKey.clear();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        Picture& p = pictures[i];
        p.key = addressSegment(p.fileName);
        if (byKey.count(p.key))
            p.key = std::to_string(i + 1) + "/" + p.key;
        byKey.emplace(percentDecode(p.key), i);
    }
}

const Picture* Album::find(const std::string& key) const {
    auto it = byKey.find(key);
    return it == byKey.end() ? nullptr : &pictures[it->second];
}

void Catalogue::addMember(const std::string& nameGbk) {
    std::lock_guard lock(mutex_);
    members_[nameGbk];
}

int Catalogue::addAlbum(const std::string& memberGbk, Album album) {
    album.index();
    std::lock_guard lock(mutex_);
    AlbumList& albums = members_[memberGbk];
    albums.push_back(std::make_shared<const Album>(std::move(album)));
    return static_cast<int>(albums.size());
}

bool Catalogue::loadRoot(const fs::path& folder, std::string& error) {
    std::error_code ec;
    fs::path root = fs::canonical(folder, ec);
    if (ec || !fs::is_directory(root, ec)) {
        error = "not a folder: " + folder.string();
        return false;
    }
    std::map<std::string, AlbumList> members;
    for (const auto& memberEntry : sortedEntries(root)) {
        if (!isFolderInside(root, memberEntry))
            continue;
        AlbumList& albums = members[toGbk(memberEntry.path().filename().string())];
        for (const auto& albumEntry : sortedEntries(memberEntry.path())) {
            if (!isFolderInside(root, albumEntry))
                continue;
            Album album;
            album.name = toGbk(albumEntry.path().filename().string());
            for (const auto& fileEntry : sortedEntries(albumEntry.path())) {
                const std::string fileName = fileEntry.path().filename().string();
                std::error_code fileError;
                if (!isPictureName(fileName) || !fileEntry.is_regular_file(fileError) ||
                    fileError || !isInside(root, fileEntry.path()))
                    continue;
                Picture p;
                p.fileName = toGbk(fileName);
                p.name = toGbk(stem(fileName));
                p.size = sizeText(fileEntry.path());
                p.file = fileEntry.path();
                album.pictures.push_back(std::move(p));
            }
            album.declared = std::to_string(album.pictures.size());
            album.index();
            albums.push_back(std::make_shared<const Album>(std::move(album)));
        }
    }
    std::lock_guard lock(mutex_);
    root_ = root;
    for (auto& [name, albums] : members)
        members_[name] = std::move(albums);
    return true;
}

void Catalogue::addDemoMember() {
    std::vector<Picture> sameNames = {
        drawn(1, "photo.jpg", "照片"),           drawn(2, "photo.jpg", "照片"),
        drawn(3, "readme", "没有扩展名"),        drawn(4, "a.b.jpg", "两个点"),
        drawn(5, "photo.jpg", "照片"),           drawn(6, "猫 和 狗.jpg", "猫&amp;狗"),
        drawn(7, "cover.jpg", "封面", 640, 480),
    };
    std::vector<Picture> portraits = numbered(5, "竖版 ", 300, 400);
    portraits.push_back(drawn(6, "wide.jpg", "全景", 900, 300));
    const std::string member = demoMember;
    addAlbum(member, demoAlbum("旅行风景", numbered(60, "风景 ", 400, 300)));
    addAlbum(member, demoAlbum("小相册", numbered(3, "小图 ", 400, 300)));
    addAlbum(member, demoAlbum("同名文件", std::move(sameNames)));
    addAlbum(member, demoAlbum("大相册", numbered(600, "第", 320, 240)));
    addAlbum(member, demoAlbum("空相册", {}));
    addAlbum(member, demoAlbum("竖版与全景", std::move(portraits)));
}

std::optional<MemberView> Catalogue::findMember(const std::string& segment) const {
    std::lock_guard lock(mutex_);
    for (const std::string& name : nameCandidates(segment)) {
        auto it = members_.find(name);
        if (it != members_.end())
            return MemberView{it->first, it->second};
    }
    return std::nullopt;
}

std::vector<std::string> Catalogue::memberNames() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& [name, albums] : members_)
        names.push_back(name);
    return names;
}

fs::path Catalogue::root() const {
    std::lock_guard lock(mutex_);
    return root_;
}

} // namespace albumhost
