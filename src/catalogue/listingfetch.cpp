#include "catalogue/listingfetch.h"

#include "core/appstate.h"
#include "core/crew.h"
#include "core/windowport.h"
#include "web/webrequest.h"

#include <algorithm>
#include <atomic>

namespace pv {

namespace {
std::atomic<std::int32_t> listingTimeout{0};

Bytes fetchPage(const Text& address) {
    return webRequest(address, {}, {}, {}, {}, {}, {}, listingTimeout.load());
}
} // namespace

void setListingRequestTimeout(std::int32_t seconds) {
    listingTimeout = seconds;
}

const Text& lastPageMarker() {
    static const Text marker = "\">" + utf8ToGbk("[尾页]");
    return marker;
}

std::int32_t pageCountOf(const Text& firstPage) {
    const int marker = findLastText(firstPage, lastPageMarker());
    if (marker < 0)
        return 1;
    const int slash = findLastText(firstPage, "/", marker - 1);
    std::int64_t index = 0;
    if (slash > 0)
        index = integerValue(middle(firstPage, slash + 1, marker - slash - 1));
    if (index < -1)
        return 0;
    return static_cast<std::int32_t>(std::min<std::int64_t>(index + 1, maxListingPages));
}

Text pageText(const Bytes& body) {
    const auto zero = body.find('\0');
    return zero == Bytes::npos ? Text(body) : Text(body, 0, zero);
}

void countListingPages(const Text& address) {
    const Text page = pageText(fetchPage(address));
    windowPort().dispatchPending();
    ApplicationState& s = appState();
    s.pageCount = pageCountOf(page);
    s.pageSections.assign(static_cast<std::size_t>(s.pageCount), Text());
}

void fetchListingSections() {
    ApplicationState& s = appState();
    s.listingText.clear();
    runCrew(pageWorker);
    std::size_t total = 0;
    for (const auto& section : s.pageSections)
        total += section.size();
    s.listingText.reserve(total);
    for (const auto& section : s.pageSections)
        s.listingText += section;
}

void pageWorker() {
    ApplicationState& s = appState();
    CrewShift shift;
    while (const int n = shift.take(s.pageCount)) {
        const Text address = s.listingBaseUrl + "/index/" + decimal(n - 1);
        const Text page = pageText(fetchPage(address));
        const MatchList matches = searchAll(s.pageSectionPattern, page);
        if (!matches.empty()) {
            Text section = matchText(matches.front(), page);
            std::lock_guard lock(*s.workLock);
            s.pageSections[static_cast<std::size_t>(n - 1)] = std::move(section);
        }
        windowPort().advanceProgress();
    }
}

} // namespace pv
