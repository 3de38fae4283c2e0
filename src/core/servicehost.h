// The album service's web host (host[:port]) that listing addresses are built on.
#pragma once

#include "core/text.h"

namespace pv {

// PICVORA_ALBUM_HOST as built, unless setAlbumHost replaced it.
Text albumHost();
// Window thread, while no listing runs (tests point the program at their own host).
void setAlbumHost(const Text& host);

} // namespace pv
