#include "fuzz/fuzzchecks.h"

#include "catalogue/albumlisting.h"
#include "catalogue/listingfetch.h"
#include "catalogue/photolisting.h"
#include "core/appstate.h"
#include "core/patterns.h"
#include "download/freename.h"
#include "web/urlparts.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace pv::fuzz {

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken property: %s\n", what);
        std::abort();
    }
}

Text textOf(const std::uint8_t* data, std::size_t size) {
    return Text(reinterpret_cast<const char*>(data), size);
}

void ensureState() {
    static const bool ready = [] {
        createApplicationState();
        compilePatternsAndCreateLock();
        return true;
    }();
    (void)ready;
}

} // namespace

void checkUrlParts(const std::uint8_t* data, std::size_t size) {
    const Text address = textOf(data, size);
    const Text host = urlHost(address);
    const Text hostPort = urlHost(address, 1);
    const Text path = urlPath(address);
    (void)urlPort(address);
    require(!path.empty() && path[0] == '/', "a path starts with /");
    require(host.size() <= hostPort.size(), "the port suffix only adds");
    require(hostPort.compare(0, host.size(), host) == 0, "the host begins the host with port");
    // A "/" can hide in the host as the second byte of a double-byte character: the scan
    // never splits one, so no property about it holds beyond the above.
}

void checkPageCount(const std::uint8_t* data, std::size_t size) {
    const std::int32_t pages = pageCountOf(pageText(textOf(data, size)));
    require(pages >= 0 && pages <= maxListingPages, "page count within its bounds");
}

void checkRecords(const std::uint8_t* data, std::size_t size) {
    ensureState();
    ApplicationState& s = appState();
    s.listingText = textOf(data, size);
    for (const Pattern* p :
         {&s.albumUrlPattern, &s.namePattern, &s.albumCountPattern, &s.pictureSourcePattern,
          &s.pictureSizePattern, &s.pageSectionPattern}) {
        const MatchList found = searchAll(*p, s.listingText);
        const MatchList everywhere = detail::searchEveryPosition(*p, s.listingText);
        require(found.size() == everywhere.size(), "the short cut finds as many matches");
        for (std::size_t i = 0; i < found.size(); ++i)
            require(found[i].offset == everywhere[i].offset &&
                        found[i].length == everywhere[i].length,
                    "the short cut finds the same matches");
        std::size_t end = 0;
        for (const Match& m : found) {
            require(m.offset >= end, "matches in order, never overlapping");
            require(m.offset + m.length <= s.listingText.size(), "a match lies in the text");
            end = m.offset + m.length;
            (void)matchText(m, s.listingText);
        }
    }
    // Album records from whatever the fields give, pictures as the record crew makes them.
    const AlbumFields fields = searchAlbumFields();
    s.albumUrls.clear();
    s.albumNames.clear();
    s.albumCounts.clear();
    for (std::size_t i = 0; i < fields.albums(); ++i)
        addAlbumRecord(fields, i);
    for (std::size_t i = 1; i <= s.albumNames.size(); ++i)
        (void)integerValue(s.albumCounts[i - 1]), (void)albumItemText(static_cast<int>(i));
    searchPictureFields();
    for (const Match& m : s.pictureSourceMatches) {
        const Text full = fullSizeAddress(matchText(m, s.listingText));
        require(full.size() <= m.length, "the full-size address is never longer");
    }
}

void checkFreeName(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = [] {
        char tmpl[] = "/tmp/picvora-fuzz-XXXXXX";
        const char* made = mkdtemp(tmpl);
        require(made != nullptr, "a scratch folder");
        return std::string(made) + "/";
    }();
    const Text address = textOf(data, size);
    const Text name = fileNameOf(address);
    // The name is what follows the last "/" that starts a character; a "/" that is the
    // second byte of a double-byte character may remain, and must never lead out of the
    // folder below.
    for (std::int64_t k : {1, 2, 10, 123456789}) {
        const Text candidate = candidateName(name, k);
        require(candidate != name, "a candidate differs from the name");
        require(candidate.size() > name.size(), "a candidate only adds");
    }
    const std::string reserved = reserveFreeName(folder, name);
    if (!reserved.empty()) {
        const std::filesystem::path p(reserved);
        require(p.parent_path().string() + "/" == folder, "nothing outside the folder");
        std::filesystem::remove(p);
    }
}

} // namespace pv::fuzz
