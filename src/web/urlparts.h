// Host, path and port of an address, cut out of the text as the web request needs them.
// Plain text cutting: only the lower-case scheme "http://" is recognised, there is no
// user-info or percent-decoding, and the query stays part of the path.
#pragma once

#include "core/text.h"

#include <cstdint>

namespace pv {

// Options bit 0: keep the port suffix (":" and the port text) on the host.
inline constexpr int keepPortOption = 1;

// The host in lower case; empty when the address has none.
Text urlHost(const Text& address, int options = 0);
// From the first "/" after the host to the end of the address, or "/" when there is none.
Text urlPath(const Text& address);
// The port the address names, 80 when it names none, 0 when its text is not a number.
std::int32_t urlPort(const Text& address);

} // namespace pv
