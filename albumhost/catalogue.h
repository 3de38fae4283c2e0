// What the host serves: members, their albums and the albums' pictures, from a folder tree,
// from the built-in demo member, or added by the program that runs the host.
#pragma once

#include "pictures.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace albumhost {

// Bytes made once per picture and then served again.
struct PictureCache {
    std::mutex mutex;
    std::string picture;
    std::string thumbnail;
};

struct Picture {
    std::string fileName; // GBK; what follows the last "/" of its addresses
    std::string key;      // GBK; its address below abpic/ or pic/ (file name, or "<n>/" + name)
    std::string name;     // GBK; pname
    std::string size;     // psize
    int number = 0;       // drawn on a generated picture
    int width = 0;
    int height = 0;
    std::filesystem::path file; // set: served from this file; empty: drawn
    std::shared_ptr<PictureCache> cache = std::make_shared<PictureCache>();
};

struct Album {
    std::string name;     // GBK
    std::string declared; // GBK; pnum
    std::vector<Picture> pictures;
    std::map<std::string, std::size_t> byKey; // picture key -> index into pictures

    // Gives each picture its key: a name already taken in the album gets the picture's
    // number in front, so two pictures of one name keep two addresses.
    void index();
    const Picture* find(const std::string& key) const;
};

using AlbumList = std::vector<std::shared_ptr<const Album>>;

struct MemberView {
    std::string name; // GBK, as stored
    AlbumList albums;
};

class Catalogue {
public:
    void addMember(const std::string& nameGbk);
    // The album's 1-based number among the member's albums.
    int addAlbum(const std::string& memberGbk, Album album);
    // Members are the folders of root, albums their folders, pictures the picture files in
    // those. Entries outside root (through symbolic links) and hidden ones are left out.
    bool loadRoot(const std::filesystem::path& root, std::string& error);
    void addDemoMember();

    // The member named by a decoded address segment (GBK or UTF-8).
    std::optional<MemberView> findMember(const std::string& segment) const;
    std::vector<std::string> memberNames() const;
    // Canonical root folder; empty when none was loaded.
    std::filesystem::path root() const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, AlbumList> members_;
    std::filesystem::path root_;
};

// Whether the canonical form of path lies inside the canonical folder root.
bool isInside(const std::filesystem::path& root, const std::filesystem::path& path);

// The member generated when no root folder is given.
inline constexpr const char* demoMember = "demo";

} // namespace albumhost
