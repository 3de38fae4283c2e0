// The two download commands of the window: 按钮3 saves the checked pictures, 按钮4 all.
#pragma once

#include "core/text.h"

namespace pv {

// Window thread. Each returns after its crew has finished and its closing message has
// been dismissed.
void downloadSelected();
void downloadAll();

// The closing message: saved pictures, and on a second line those that failed, if any.
Text downloadedMessage(int saved, int failed);

} // namespace pv
