// Fetching one address over HTTP with a time-out, the exchange running on a request worker
// thread of its own while the caller waits: on the window thread it keeps serving events,
// elsewhere it simply blocks.
#pragma once

#include "core/text.h"
#include "web/exchangerecord.h"

#include <chrono>
#include <cstdint>

namespace pv {

inline constexpr std::int32_t defaultRequestTimeoutSeconds = 90;

// The response body, or empty bytes when the exchange failed or did not end within
// `timeoutSeconds` (90 when 0) of the call; an error page's body is returned like any
// other. Method: empty or GET, or POST, in any letter case; anything else sends nothing.
// A blank proxy, user or password (nothing but half- and full-width spaces) means none.
// `extraHeaders` are request header lines, each ending in CR LF. `responseHeaders`, when
// given, receives the raw headers of the reply (CR LF line ends, empty line last), 1024
// spaces when they are longer than 1023 bytes, empty after a time-out.
Bytes webRequest(const Text& address, const Text& method = {}, const Text& proxy = {},
                 const Text& user = {}, const Text& password = {}, const Text& extraHeaders = {},
                 const Text& body = {}, std::int32_t timeoutSeconds = 0,
                 Text* responseHeaders = nullptr);

// The request worker: reads the request from `record` (tag "Tarnfee" and seven texts),
// empties it, performs the exchange and writes the reply (tag "Tarnfee_OK", the headers
// text, the body bytes). 1 when it wrote a reply, 0 otherwise. The exchange gives up at
// `deadline`.
int requestWorker(ExchangeRecord& record, std::chrono::steady_clock::time_point deadline =
                                              std::chrono::steady_clock::time_point::max());

} // namespace pv
