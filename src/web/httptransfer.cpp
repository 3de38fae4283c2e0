#include "web/httptransfer.h"

#include "web/cookiestore.h"
#include "web/urlparts.h"
#include "web/webinit.h"

#include <algorithm>
#include <curl/curl.h>
#include <memory>

namespace pv {

namespace {

constexpr int maxRedirects = 10;

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && findText(s.substr(0, prefix.size()), prefix, 1, true) == 1;
}

// Only plain host names reach the library: a byte such as "@" or "?" in what the address
// gives as the host would make libcurl read a different host out of the address.
bool isPlainHost(const Text& host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
    });
}

bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

struct CurlList {
    curl_slist* head = nullptr;
    ~CurlList() { curl_slist_free_all(head); }
    bool add(const Text& line) {
        curl_slist* grown = curl_slist_append(head, line.c_str());
        if (!grown)
            return false;
        head = grown;
        return true;
    }
};

// The absolute address a Location value points to from `base`, without its fragment;
// empty when it is not a plain HTTP address.
Text resolveLocation(const Text& base, const Text& location) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_URL, escapeRequestTarget(location).c_str(), 0) !=
            CURLUE_OK)
        return {};
    curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
    char* scheme = nullptr;
    char* full = nullptr;
    Text result;
    if (curl_url_get(url.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        Text(scheme) == "http" && curl_url_get(url.get(), CURLUPART_URL, &full, 0) == CURLUE_OK)
        result = full;
    curl_free(scheme);
    curl_free(full);
    return result;
}

// What the callbacks of one hop see and collect.
struct Hop {
    Text host;
    Text path;
    const BodySink* sink = nullptr;
    bool onlySuccessBodies = false;
    bool mayFollow = false;
    Text base; // the address of this hop, for relative Location values

    long status = 0;
    Text headers;
    Text location;
    bool headersDone = false;
    bool deliver = true;
    bool sinkRefused = false;
    Text next; // where a redirect that is followed leads
};

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* userdata) {
    Hop& hop = *static_cast<Hop*>(userdata);
    const std::size_t n = size * count;
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.substr(0, 5) == "HTTP/") {
        // A new reply (after 100 Continue or a sign-on round): only the last one counts.
        hop.headers.clear();
        hop.location.clear();
        hop.headersDone = false;
        const std::size_t space = line.find(' ');
        hop.status = space == std::string_view::npos ? 0 : integerValue(line.substr(space + 1));
    } else if (hop.headersDone) {
        return n; // trailers of a chunked body
    }
    if (line.empty()) {
        hop.headersDone = true;
        hop.next.clear();
        if (hop.mayFollow && isRedirect(hop.status) && !hop.location.empty())
            hop.next = resolveLocation(hop.base, hop.location);
        const bool followed = !hop.next.empty();
        const bool success = hop.status >= 200 && hop.status < 300;
        hop.deliver = !followed && (success || !hop.onlySuccessBodies);
    } else if (startsWithIgnoreCase(line, "Location:")) {
        hop.location = trimSpaces(line.substr(9));
    } else {
        cookieStore().storeHeaderLine(hop.host, hop.path, line);
    }
    hop.headers.append(line);
    hop.headers.append("\r\n");
    return n;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* userdata) {
    Hop& hop = *static_cast<Hop*>(userdata);
    const std::size_t n = size * count;
    if (!hop.deliver || n == 0)
        return n;
    if (!(*hop.sink)(data, n)) {
        hop.sinkRefused = true;
        return 0; // stops the transfer
    }
    return n;
}

} // namespace

Text escapeRequestTarget(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    Text out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

TransferOutcome runTransfer(const TransferRequest& request, const BodySink& sink) {
    using namespace std::chrono;
    initialiseWeb();
    TransferOutcome outcome;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(),
                                                               &curl_easy_cleanup);
    if (!handle)
        return outcome;
    outcome.handleMade = true;
    CURL* h = handle.get();

    Text address = request.address;
    Text method = request.method;
    bool withBody = !request.body.empty();
    const Text signOnHost = urlHost(request.address);

    for (int hopNumber = 0; hopNumber <= maxRedirects; ++hopNumber) {
        Hop hop;
        hop.host = urlHost(address);
        hop.path = urlPath(address);
        hop.sink = &sink;
        hop.onlySuccessBodies = request.onlySuccessBodies;
        hop.mayFollow = hopNumber < maxRedirects;
        std::int32_t port = urlPort(address);
        if (port == 0)
            port = 80; // as the Windows library takes port 0: the service's own
        if (!isPlainHost(hop.host) || port < 0 || port > 65535)
            return outcome; // nothing can be reached there

        long timeoutMs = 0;
        if (request.deadline != steady_clock::time_point::max()) {
            const auto left = duration_cast<milliseconds>(request.deadline - steady_clock::now());
            if (left.count() <= 0)
                return outcome;
            timeoutMs = static_cast<long>(left.count());
        }

        const Text origin = "http://" + hop.host + ":" + decimal(port);
        const Text target = escapeRequestTarget(hop.path);
        // Through a proxy the request line carries the absolute address.
        const Text requestTarget =
            request.proxy.empty()
                ? target
                : "http://" + hop.host + (port == 80 ? "" : ":" + decimal(port)) + target;

        hop.base = origin + target;

        CurlList headers;
        // libcurl's own Accept, Expect and Proxy-Connection lines never go out.
        bool listed =
            headers.add("Accept:") && headers.add("Expect:") && headers.add("Proxy-Connection:");
        for (const Text& line : request.headersBeforeCookie)
            listed = listed && headers.add(line);
        if (request.sendCookies) {
            const Text cookies = cookieStore().cookieHeader(cookieSite(hop.host), hop.path);
            if (!cookies.empty())
                listed = listed && headers.add("Cookie: " + cookies);
        }
        for (const Text& line : request.headersAfterCookie)
            listed = listed && headers.add(line);
        if (withBody) {
            for (const Text& line : request.bodyHeaders)
                listed = listed && headers.add(line);
        }
        if (!listed)
            return outcome;

        curl_easy_reset(h);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_URL, (origin + "/").c_str());
        curl_easy_setopt(h, CURLOPT_REQUEST_TARGET, requestTarget.c_str());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
        curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(h, CURLOPT_USERAGENT, userAgent);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.head);
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
        // Never the proxy of the environment: an empty text means a direct connection, and
        // a given proxy serves every host.
        curl_easy_setopt(h, CURLOPT_PROXY, request.proxy.c_str());
        curl_easy_setopt(h, CURLOPT_NOPROXY, "");
        curl_easy_setopt(h, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
        if (!request.user.empty() && hop.host == signOnHost) {
            curl_easy_setopt(h, CURLOPT_USERNAME, request.user.c_str());
            curl_easy_setopt(h, CURLOPT_PASSWORD, request.password.c_str());
            curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        }
        if (withBody) {
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        }
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, timeoutMs);
        if (request.connectTimeout.count() > 0)
            curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                             static_cast<long>(request.connectTimeout.count()));
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &onHeader);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &hop);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &onBody);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &hop);

        const CURLcode result = curl_easy_perform(h);
        outcome.status = hop.status;
        outcome.headers = hop.headers;
        outcome.complete = result == CURLE_OK && !hop.sinkRefused;
        if (result != CURLE_OK || hop.next.empty())
            break;
        // After a 303, and after a 301 or 302 to a POST, a browser fetches the new address.
        if (hop.status == 303 || ((hop.status == 301 || hop.status == 302) &&
                                  startsWithIgnoreCase(method, "POST") && method.size() == 4)) {
            method = "GET";
            withBody = false;
        }
        address = hop.next;
    }
    return outcome;
}

} // namespace pv
