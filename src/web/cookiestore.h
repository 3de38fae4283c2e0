// The program's own cookie store, shared by every thread for the whole run. Cookies that
// replies set are kept per site ("http://" + lower-case host, no port) and sent back by
// every later request to that host whose path they match, until they expire.
#pragma once

#include "core/text.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

namespace pv {

struct Cookie {
    Text name; // may be empty: such a cookie is sent as its value alone
    Text value;
    Text path;
    bool session = true; // no Expires or Max-Age: lives until the program ends
    std::chrono::system_clock::time_point expires{};
};

// The key cookies are stored under: "http://" + the host in lower case.
Text cookieSite(const Text& host);

class CookieStore {
public:
    using Clock = std::chrono::system_clock;

    // One cookie: `data` is everything after the "=" of the Set-Cookie text (value and
    // attributes), `requestPath` the path of the request whose reply set it. A cookie that
    // has already expired removes the stored one of the same name and path.
    void setCookie(const Text& site, std::string_view requestPath, const Text& name,
                   std::string_view data, Clock::time_point now = Clock::now());
    // A raw response header line: stores its cookie when it is a Set-Cookie line (name
    // before the first "=", or empty without one). False for any other line.
    bool storeHeaderLine(const Text& host, std::string_view requestPath, std::string_view line,
                         Clock::time_point now = Clock::now());

    // The value of the Cookie request header for `requestPath` on `site`: longer paths
    // first, older cookies first among equal paths; empty when none applies.
    Text cookieHeader(const Text& site, std::string_view requestPath,
                      Clock::time_point now = Clock::now()) const;
    // The live cookies of `site`, in the order they were first stored.
    std::vector<Cookie> cookies(const Text& site, Clock::time_point now = Clock::now()) const;

    void clear();

private:
    struct Entry {
        Text site;
        Cookie cookie;
        std::uint64_t created;
    };
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t nextCreated_ = 0;
};

// The store of the program.
CookieStore& cookieStore();

} // namespace pv
