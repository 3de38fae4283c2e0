#include "catalogue/albumlisting.h"

#include "core/appstate.h"
#include "core/servicehost.h"

namespace pv {

Text albumIndexAddress(const Text& userName) {
    return "http://" + albumHost() + "/" + userName + "/album";
}

AlbumFields searchAlbumFields() {
    const ApplicationState& s = appState();
    return {searchAll(s.albumUrlPattern, s.listingText), searchAll(s.namePattern, s.listingText),
            searchAll(s.albumCountPattern, s.listingText)};
}

void addAlbumRecord(const AlbumFields& fields, std::size_t i) {
    ApplicationState& s = appState();
    // The album host joined directly to the purl value, no slash added.
    s.albumUrls.push_back("http://" + albumHost() + matchText(fields.urls[i], s.listingText));
    s.albumNames.push_back(matchText(fields.names[i], s.listingText));
    s.albumCounts.push_back(matchText(fields.counts[i], s.listingText));
}

Text albumItemText(int album) {
    const ApplicationState& s = appState();
    const auto i = static_cast<std::size_t>(album - 1);
    return s.albumNames[i] + "(" + s.albumCounts[i] + ")";
}

} // namespace pv
