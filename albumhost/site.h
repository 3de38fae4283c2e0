// Which address names what, and what the host answers there (before any fault is applied).
//
//   /<member>/album                      album index, first page (also /index/0)
//   /<member>/album/index/<n>            album index, page n + 1
//   /<member>/album/<k>                  album k (its purl), first page; /<member>/<name> too
//   /<member>/album/<k>/index/<n>        album k, page n + 1
//   /<member>/album/<k>/abpic/<file>     thumbnail; /pic/ in place of /abpic/: full size
//
// Names may come raw or percent-encoded, in GBK or in UTF-8.
#pragma once

#include "catalogue.h"
#include "faults.h"
#include "pictures.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace albumhost {

enum class Kind { none, albumIndex, albumPage, thumbnail, picture };

struct Target {
    Kind kind = Kind::none;
    std::string member; // GBK
    AlbumList albums;   // the member's albums (album index)
    std::shared_ptr<const Album> album;
    int albumNumber = 0;
    int pageIndex = 0;
    bool listingAddress = false;      // a listing's own address, without /index/
    const Picture* picture = nullptr; // into album
    std::vector<std::string> known;   // the decoded paths the request is known under
    bool listing() const { return kind == Kind::albumIndex || kind == Kind::albumPage; }
};

Target resolve(const Catalogue& catalogue, std::string_view target);

struct SiteSettings {
    int albumsPerPage = 20;
    int picturesPerPage = 24;
    ThumbnailBox thumbnail;
};

struct Answer {
    int status = 200;
    std::string contentType;
    std::string body;
};

// host: what stands between "http://" and the path in psrc.
Answer answer(const Target& target, const SiteSettings& settings, const std::string& host,
              const Catalogue& catalogue, const FaultRules& rules);

// Addresses as our pages write them (GBK).
std::string indexAddress(const std::string& member);
std::string albumAddress(const std::string& member, int albumNumber);
// The decoded paths under which rules may name an album.
std::vector<std::string> albumPaths(const std::string& member, int albumNumber, const Album& album);
// The album's pnum text: a declaring rule's, else its own.
std::string declaredCount(const std::string& member, int albumNumber, const Album& album,
                          const FaultRules& rules);

} // namespace albumhost
