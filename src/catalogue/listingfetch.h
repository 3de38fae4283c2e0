// Reading a paged listing (an album index or one album's pictures) in two halves: the page
// count from the first page, then every page fetched by the page crew, each page's forimgs
// section kept and the sections joined in page order into listingText.
#pragma once

#include "core/text.h"

#include <cstdint>

namespace pv {

// No listing has more pages than this; a larger last-page index is capped here so that no
// reply can make the program reserve unbounded memory.
inline constexpr std::int32_t maxListingPages = 100000;

// The last-page marker in GBK: a double quote, then ">[尾页]".
const Text& lastPageMarker();

// Pages of a listing from its first page's text: the marker's last occurrence, the last
// "/" before it, the integer value between them plus one; 1 without a marker. An index
// below -1 counts as no pages; the count is capped at maxListingPages.
std::int32_t pageCountOf(const Text& firstPage);

// The time-out of every listing page's web request; 0 (the default) leaves the web
// request's own. Tests shorten it to see a listing end on a page that never answers.
void setListingRequestTimeout(std::int32_t seconds);

// The page text: the body up to its first zero byte.
Text pageText(const Bytes& body);

// Window thread. Fetches the listing's first page, sets pageCount and gives pageSections
// one empty slot per page.
void countListingPages(const Text& address);
// Window thread, busy set, listingBaseUrl and the progress maximum prepared. Runs the page
// crew and joins the sections into listingText. Leaves busy set.
void fetchListingSections();
// The page crew's worker body.
void pageWorker();

} // namespace pv
