// The picture records of an album's joined listing text.
#pragma once

#include "core/text.h"

namespace pv {

// The full-size address: every "/abpic/" (any letter case) replaced by "/pic/".
Text fullSizeAddress(const Text& thumbnailAddress);

// Runs the psrc, psize and pname patterns once over listingText into the three match
// lists, and sizes the four record lists to one empty slot per psrc match.
void searchPictureFields();

// The record crew's worker body: record n from match n of each list. A missing psize or
// pname match gives an empty text.
void pictureRecordWorker();

} // namespace pv
