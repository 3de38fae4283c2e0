#include "core/servicehost.h"

namespace pv {

namespace {
Text& hostValue() {
    static Text host = PICVORA_ALBUM_HOST_DEFAULT;
    return host;
}
} // namespace

Text albumHost() {
    return hostValue();
}

void setAlbumHost(const Text& host) {
    hostValue() = host;
}

} // namespace pv
