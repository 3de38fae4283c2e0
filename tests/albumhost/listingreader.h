// Reads a listing the way Picvora does, with its own parsers: the page count from the
// last-page marker of the first page, then every page's first forimgs section, joined.
#pragma once

#include "core/patterns.h"

#include <string>
#include <vector>

namespace albumhost::test {

struct Parsers {
    pv::Pattern section, purl, pname, pnum, psrc, psize;
};
const Parsers& parsers();

std::string gbk(const char* utf8);
// The page text as the program takes it: up to the first zero byte.
std::string pageText(const std::string& body);
// Page count by the program's rule; 1 without a marker.
int pageCountOf(const std::string& page);
// Every match of the pattern, as text.
std::vector<std::string> fields(const pv::Pattern& pattern, const std::string& text);
// The first forimgs section of a page, or empty.
std::string sectionOf(const std::string& page);

struct ListingRead {
    int pages = 0;
    std::vector<std::string> pageTexts; // index n: page n + 1
    std::string joined;
};
// address: the listing's path, e.g. "/demo/album".
ListingRead readListing(int port, const std::string& address);

} // namespace albumhost::test
