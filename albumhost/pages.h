// The HTML pages of the album host, in GBK, in the form the client reads: one forimgs
// section holding one record per album or picture, and outside it a pager whose last-page
// link reads  href="<listing>/index/<last>">[尾页]  (left out for a listing of one page).
#pragma once

#include <string>
#include <vector>

namespace albumhost {

// Record values are GBK; the page writer makes them safe (see recordValue).
struct AlbumRecord {
    std::string url; // purl: the album's address without the host
    std::string name;
    std::string count;
};

struct PictureRecord {
    std::string source; // psrc: the thumbnail's absolute address
    std::string size;
    std::string name;
    std::string pictureUrl; // the full-size picture, for the links a browser shows
};

struct Pager {
    std::string listing; // the listing's own address (GBK, as written in addresses)
    int pageIndex = 0;   // the page shown, from 0
    int lastIndex = 0;   // the last page's index; 0: a listing of one page, no pager
};

std::string albumIndexPage(const std::string& member, const std::vector<AlbumRecord>& albums,
                           const Pager& pager);
std::string albumPage(const std::string& member, const std::string& album,
                      const std::vector<PictureRecord>& pictures, const Pager& pager);
// An error page in the same style, without a forimgs section: 403, 404 or 500.
std::string messagePage(int status);

inline constexpr const char* pageContentType = "text/html; charset=GBK";

} // namespace albumhost
