// One HTTP exchange over libcurl, as the web request and the plain GET make it: the request
// target sent as the address builds it (escaped where a byte cannot stand raw), the
// program's cookies sent and stored, redirects followed. Runs on the calling thread with a
// libcurl handle of its own.
#pragma once

#include "core/text.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace pv {

inline constexpr const char* userAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// Control bytes, space, DEL and bytes of 0x80 and above as "%XX", octet by octet, so that
// nothing in an address can end the request line or start a header line. Every other byte,
// "%" included, stays as it is.
Text escapeRequestTarget(std::string_view text);

struct TransferRequest {
    Text address;
    Text method = "GET"; // written on the request line exactly as given
    Text body;           // sent, with bodyHeaders, when not empty
    // Header lines without line ends, in the order they go out. The Cookie line of the
    // store (when sendCookies) goes between the two groups, the body lines after them.
    std::vector<Text> headersBeforeCookie;
    std::vector<Text> headersAfterCookie;
    std::vector<Text> bodyHeaders;
    bool sendCookies = true;
    Text proxy; // empty: direct; otherwise the HTTP proxy, e.g. "gate:80"
    Text user;  // empty: no sign-on
    Text password;
    bool onlySuccessBodies = false; // the sink sees only the body of a 2xx reply
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    std::chrono::milliseconds connectTimeout{0}; // 0: bounded by the deadline alone
};

struct TransferOutcome {
    bool handleMade = false; // false: the HTTP library gave no handle, nothing was sent
    bool complete = false;   // the last reply arrived whole and the sink took all of it
    long status = 0;         // of the last reply, 0 when none came
    Text headers;            // raw headers of the last reply: CR LF line ends, empty line last
};

// Receives the body of the final reply piece by piece; false stops the transfer.
using BodySink = std::function<bool(const char* data, std::size_t size)>;

TransferOutcome runTransfer(const TransferRequest& request, const BodySink& sink);

} // namespace pv
