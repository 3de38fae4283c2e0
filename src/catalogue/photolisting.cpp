#include "catalogue/photolisting.h"

#include "core/appstate.h"
#include "core/crew.h"
#include "core/windowport.h"

namespace pv {

Text fullSizeAddress(const Text& thumbnailAddress) {
    return replaceAllIgnoreCase(thumbnailAddress, "/abpic/", "/pic/");
}

void searchPictureFields() {
    ApplicationState& s = appState();
    s.pictureSourceMatches = searchAll(s.pictureSourcePattern, s.listingText);
    s.pictureSizeMatches = searchAll(s.pictureSizePattern, s.listingText);
    s.pictureNameMatches = searchAll(s.namePattern, s.listingText);
    // Records are stored by number, so their order never depends on which worker is first.
    const std::size_t records = s.pictureSourceMatches.size();
    s.thumbnailUrls.assign(records, Text());
    s.pictureUrls.assign(records, Text());
    s.pictureSizes.assign(records, Text());
    s.pictureNames.assign(records, Text());
}

namespace {
Text optionalMatch(const MatchList& list, std::size_t i, const Text& text) {
    return i < list.size() ? matchText(list[i], text) : Text();
}
} // namespace

void pictureRecordWorker() {
    ApplicationState& s = appState();
    CrewShift shift;
    while (const int n = shift.take(static_cast<std::int32_t>(s.pictureSourceMatches.size()))) {
        const auto i = static_cast<std::size_t>(n - 1);
        Text thumbnail = matchText(s.pictureSourceMatches[i], s.listingText);
        Text full = fullSizeAddress(thumbnail);
        Text size = optionalMatch(s.pictureSizeMatches, i, s.listingText);
        Text name = optionalMatch(s.pictureNameMatches, i, s.listingText);
        {
            std::lock_guard lock(*s.workLock);
            s.thumbnailUrls[i] = std::move(thumbnail);
            s.pictureUrls[i] = std::move(full);
            s.pictureSizes[i] = std::move(size);
            s.pictureNames[i] = std::move(name);
        }
        windowPort().advanceProgress();
    }
}

} // namespace pv
