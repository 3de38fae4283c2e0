// The album records of a member's album index.
#pragma once

#include "core/patterns.h"
#include "core/text.h"

#include <algorithm>

namespace pv {

// "http://" + album host + "/" + user name + "/album"; the name goes in as GBK bytes.
Text albumIndexAddress(const Text& userName);

// The purl, pname and pnum matches of listingText, paired by position.
struct AlbumFields {
    MatchList urls, names, counts;
    // Albums that have all three fields; the rest are left out.
    std::size_t albums() const { return std::min({urls.size(), names.size(), counts.size()}); }
};
AlbumFields searchAlbumFields();

// Appends album i (0-based, below fields.albums()) to albumUrls, albumNames, albumCounts.
void addAlbumRecord(const AlbumFields& fields, std::size_t i);

// Drop-down text of album i (1-based): name + "(" + count + ")".
Text albumItemText(int album);

} // namespace pv
