#include "web/urlparts.h"

#include <cmath>

namespace pv {

Text urlHost(const Text& address, int options) {
    const int scheme = findText(address, "http://");
    const int start = scheme == -1 ? 1 : scheme + 7;
    const int slash = findText(address, "/", start);
    Text host = slash == -1 ? middle(address, start, static_cast<int>(address.size()))
                            : middle(address, start, slash - start);
    if (!(options & keepPortOption)) {
        const int colon = findText(host, ":");
        if (colon != -1)
            host = left(host, colon - 1);
    }
    return lowerCase(host);
}

Text urlPath(const Text& address) {
    const Text host = urlHost(address);
    const int h = findText(address, host, 1, true);
    const int slash = findText(address, "/", h, true);
    if (slash == -1)
        return "/";
    return right(address, static_cast<int>(address.size()) - slash + 1);
}

std::int32_t urlPort(const Text& address) {
    const Text host = urlHost(address, keepPortOption);
    const int colon = findText(host, ":");
    if (colon == -1)
        return 80;
    const double n = std::trunc(toNumber(middle(host, colon + 1, static_cast<int>(host.size()))));
    // Out of range the conversion would be undefined; such a port cannot be reached anyway.
    if (!(n >= INT32_MIN && n <= INT32_MAX))
        return 0;
    return static_cast<std::int32_t>(n);
}

} // namespace pv
