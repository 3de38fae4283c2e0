#include "web/httpget.h"

#include "web/httptransfer.h"

namespace pv {

TransferResult httpFetchTo(const Text& address,
                           const std::function<bool(const char*, std::size_t)>& sink,
                           std::chrono::seconds connectTimeout, std::chrono::seconds totalTimeout) {
    TransferRequest request;
    request.address = address;
    request.headersBeforeCookie.push_back("Accept: */*");
    request.onlySuccessBodies = true;
    request.connectTimeout = connectTimeout;
    request.deadline = std::chrono::steady_clock::now() + totalTimeout;
    const TransferOutcome outcome = runTransfer(request, sink);
    return {outcome.complete && outcome.status >= 200 && outcome.status < 300, outcome.status};
}

Bytes httpGet(const Text& address, std::chrono::seconds connectTimeout,
              std::chrono::seconds totalTimeout) {
    Bytes body;
    const TransferResult result = httpFetchTo(
        address,
        [&body](const char* data, std::size_t n) {
            body.append(data, n);
            return true;
        },
        connectTimeout, totalTimeout);
    if (!result.ok)
        return {};
    return body;
}

} // namespace pv
