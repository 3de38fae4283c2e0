// The plain HTTP GET of thumbnails and saved pictures: the program's user agent and
// cookies, the address sent as it is built, redirects followed. Runs on the calling thread.
#pragma once

#include "core/text.h"

#include <chrono>
#include <cstddef>
#include <functional>

namespace pv {

struct TransferResult {
    bool ok = false; // a 2xx reply whose body arrived whole and was all taken
    long status = 0; // status of the last reply, 0 when none came
};

// Hands the body of a 2xx reply to `sink` piece by piece (false from the sink stops the
// transfer); the body of any other reply is not handed on.
TransferResult httpFetchTo(const Text& address,
                           const std::function<bool(const char*, std::size_t)>& sink,
                           std::chrono::seconds connectTimeout = std::chrono::seconds(15),
                           std::chrono::seconds totalTimeout = std::chrono::seconds(120));

// The body of a 2xx reply, or empty bytes on any failure: what cannot be fetched whole is
// never shown.
Bytes httpGet(const Text& address, std::chrono::seconds connectTimeout = std::chrono::seconds(15),
              std::chrono::seconds totalTimeout = std::chrono::seconds(60));

} // namespace pv
