#include "web/cookiestore.h"

#include <algorithm>
#include <climits>
#include <curl/curl.h>
#include <optional>

namespace pv {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && findText(s.substr(0, prefix.size()), prefix, 1, true) == 1;
}

bool equalsIgnoreCase(std::string_view s, std::string_view other) {
    return s.size() == other.size() && startsWithIgnoreCase(s, other);
}

// The path a cookie is matched against: the query and any fragment are not part of it.
std::string_view pathOnly(std::string_view requestPath) {
    requestPath = requestPath.substr(0, requestPath.find_first_of("?#"));
    if (requestPath.empty() || requestPath.front() != '/')
        return "/";
    return requestPath;
}

// Without a Path attribute a cookie belongs to the "directory" of the request path.
Text defaultPath(std::string_view requestPath) {
    std::string_view p = pathOnly(requestPath);
    const std::size_t last = p.rfind('/');
    if (last == 0 || last == std::string_view::npos)
        return "/";
    return Text(p.substr(0, last));
}

bool pathMatches(std::string_view requestPath, const Text& cookiePath) {
    std::string_view p = pathOnly(requestPath);
    if (p.substr(0, cookiePath.size()) != cookiePath)
        return false;
    return p.size() == cookiePath.size() || cookiePath.back() == '/' || p[cookiePath.size()] == '/';
}

// A Max-Age value: an optional "-" and digits, or nothing usable.
std::optional<long long> maxAgeSeconds(std::string_view v) {
    bool negative = !v.empty() && v.front() == '-';
    if (negative)
        v.remove_prefix(1);
    if (v.empty() || !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    long long n = 0;
    for (char c : v)
        n = std::min<long long>(n * 10 + (c - '0'), INT_MAX);
    return negative ? -n : n;
}

} // namespace

Text cookieSite(const Text& host) {
    return "http://" + lowerCase(host);
}

void CookieStore::setCookie(const Text& site, std::string_view requestPath, const Text& name,
                            std::string_view data, Clock::time_point now) {
    Cookie c;
    c.name = Text(trimmed(name));
    c.path = defaultPath(requestPath);
    std::optional<Clock::time_point> expires, maxAge;

    std::vector<std::string_view> parts;
    for (std::size_t b = 0;;) {
        const std::size_t e = data.find(';', b);
        parts.push_back(data.substr(b, e == std::string_view::npos ? e : e - b));
        if (e == std::string_view::npos)
            break;
        b = e + 1;
    }
    c.value = Text(trimmed(parts.front()));
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::size_t eq = parts[i].find('=');
        const std::string_view key = trimmed(parts[i].substr(0, eq));
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view{} : trimmed(parts[i].substr(eq + 1));
        if (equalsIgnoreCase(key, "path")) {
            if (!value.empty() && value.front() == '/')
                c.path = Text(value);
        } else if (equalsIgnoreCase(key, "expires")) {
            const time_t t = curl_getdate(Text(value).c_str(), nullptr);
            if (t != -1)
                expires = Clock::from_time_t(t);
        } else if (equalsIgnoreCase(key, "max-age")) {
            if (auto seconds = maxAgeSeconds(value))
                maxAge =
                    *seconds <= 0 ? Clock::time_point::min() : now + std::chrono::seconds(*seconds);
        }
    }
    // Max-Age wins over Expires, as in browsers.
    if (maxAge)
        expires = maxAge;
    if (expires) {
        c.session = false;
        c.expires = *expires;
    }
    if (c.name.empty() && c.value.empty())
        return;

    std::lock_guard lock(mutex_);
    auto same = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.site == site && e.cookie.name == c.name && e.cookie.path == c.path;
    });
    const bool expired = !c.session && c.expires <= now;
    if (same != entries_.end()) {
        if (expired)
            entries_.erase(same);
        else
            same->cookie = std::move(c); // keeps its place among equal paths
        return;
    }
    if (!expired)
        entries_.push_back({site, std::move(c), nextCreated_++});
}

bool CookieStore::storeHeaderLine(const Text& host, std::string_view requestPath,
                                  std::string_view line, Clock::time_point now) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    constexpr std::string_view header = "Set-Cookie:";
    if (!startsWithIgnoreCase(line, header))
        return false;
    std::string_view rest = line.substr(header.size());
    while (!rest.empty() && isBlank(rest.front()))
        rest.remove_prefix(1);
    const std::size_t eq = rest.find('=');
    if (eq == std::string_view::npos)
        setCookie(cookieSite(host), requestPath, {}, rest, now);
    else
        setCookie(cookieSite(host), requestPath, Text(rest.substr(0, eq)), rest.substr(eq + 1),
                  now);
    return true;
}

Text CookieStore::cookieHeader(const Text& site, std::string_view requestPath,
                               Clock::time_point now) const {
    std::vector<const Entry*> matching;
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_) {
        if (e.site == site && (e.cookie.session || e.cookie.expires > now) &&
            pathMatches(requestPath, e.cookie.path))
            matching.push_back(&e);
    }
    std::stable_sort(matching.begin(), matching.end(), [](const Entry* a, const Entry* b) {
        if (a->cookie.path.size() != b->cookie.path.size())
            return a->cookie.path.size() > b->cookie.path.size();
        return a->created < b->created;
    });
    Text header;
    for (const Entry* e : matching) {
        if (!header.empty())
            header += "; ";
        if (!e->cookie.name.empty())
            header += e->cookie.name + "=";
        header += e->cookie.value;
    }
    return header;
}

std::vector<Cookie> CookieStore::cookies(const Text& site, Clock::time_point now) const {
    std::vector<Cookie> live;
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_) {
        if (e.site == site && (e.cookie.session || e.cookie.expires > now))
            live.push_back(e.cookie);
    }
    return live;
}

void CookieStore::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

CookieStore& cookieStore() {
    static CookieStore store;
    return store;
}

} // namespace pv
