#include "listingreader.h"

#include "rawclient.h"

#include "core/text.h"

namespace albumhost::test {

const Parsers& parsers() {
    static const Parsers p{pv::compilePattern(pv::patterns::pageSection),
                           pv::compilePattern(pv::patterns::albumUrl),
                           pv::compilePattern(pv::patterns::name),
                           pv::compilePattern(pv::patterns::albumCount),
                           pv::compilePattern(pv::patterns::pictureSource),
                           pv::compilePattern(pv::patterns::pictureSize)};
    return p;
}

std::string gbk(const char* utf8) {
    return pv::utf8ToGbk(utf8);
}

std::string pageText(const std::string& body) {
    return body.substr(0, body.find('\0'));
}

int pageCountOf(const std::string& page) {
    const std::string marker = "\">" + gbk("[尾页]");
    const int m = pv::findLastText(page, marker);
    if (m < 0)
        return 1;
    const int slash = pv::findLastText(page, "/", m - 1);
    const int index = slash < 0 ? 0 : pv::integerValue(pv::middle(page, slash + 1, m - slash - 1));
    return index + 1;
}

std::vector<std::string> fields(const pv::Pattern& pattern, const std::string& text) {
    std::vector<std::string> out;
    for (const pv::Match& m : pv::searchAll(pattern, text))
        out.push_back(pv::matchText(m, text));
    return out;
}

std::string sectionOf(const std::string& page) {
    auto all = fields(parsers().section, page);
    return all.empty() ? std::string() : all.front();
}

ListingRead readListing(int port, const std::string& address) {
    ListingRead read;
    read.pages = pageCountOf(pageText(rawGet(port, address).body));
    for (int n = 0; n < read.pages; ++n) {
        read.pageTexts.push_back(
            pageText(rawGet(port, address + "/index/" + std::to_string(n)).body));
        read.joined += sectionOf(read.pageTexts.back());
    }
    return read;
}

} // namespace albumhost::test
