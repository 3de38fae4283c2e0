#include "web/webrequest.h"

#include <algorithm>

#include "core/windowport.h"
#include "web/httptransfer.h"
#include "web/webinit.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace pv {

namespace {

constexpr const char* requestTag = "Tarnfee";
constexpr const char* replyTag = "Tarnfee_OK";
constexpr const char* defaultAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*";
constexpr std::size_t headersBufferSize = 1024;
// A body beyond this is cut off there, as a transfer broken off midway is: it keeps memory
// bounded and always fits the exchange record's 32-bit length.
constexpr std::size_t maxBodyBytes = std::size_t{256} << 20;
// An abandoned exchange runs on this long past its caller's deadline before it gives up,
// so that the caller's own time-out always fires first.
constexpr std::chrono::seconds workerGrace{1};

bool isBlank(const Text& text) {
    return trimSpaces(text).empty();
}

bool contains(const Text& text, const char* wanted) {
    return findText(text, wanted, 1, true) != -1;
}

Text upperCase(Text text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// The caller's header text as lines; every line stands on its own, so a text that lacks
// its last CR LF cannot run into the lines added behind it.
std::vector<Text> headerLines(const Text& text) {
    std::vector<Text> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == Text::npos)
            end = text.size();
        Text line = text.substr(start, end - start);
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool hasLineStarting(const std::vector<Text>& lines, const char* name) {
    for (const Text& line : lines) {
        if (findText(left(line, static_cast<int>(std::char_traits<char>::length(name))), name, 1,
                     true) == 1)
            return true;
    }
    return false;
}

// What the caller and its request worker share. The worker may outlive the caller after a
// time-out; the last owner frees it.
struct Exchange {
    ExchangeRecord record;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;         // the worker has left the record for good
    bool callerWaiting = true; // false once the caller has gone, with or without a reply
    bool wakeWindow = false;   // the caller waits on the window thread
};

} // namespace

int requestWorker(ExchangeRecord& record, std::chrono::steady_clock::time_point deadline) {
    record.rewind();
    Text tag;
    if (!record.read({ExchangeRecord::text(tag)}) || tag != requestTag)
        return 0;
    Text address, method, proxy, user, password, extraHeaders, body;
    record.read({ExchangeRecord::text(address), ExchangeRecord::text(method),
                 ExchangeRecord::text(proxy), ExchangeRecord::text(user),
                 ExchangeRecord::text(password), ExchangeRecord::text(extraHeaders),
                 ExchangeRecord::text(body)});
    record.clear();

    const Text upper = upperCase(method);
    const bool isGet = method.empty() || upper == "GET";
    if (!isGet && upper != "POST")
        return 0;

    TransferRequest request;
    request.address = address;
    request.method = method.empty() ? Text("GET") : method;
    request.proxy = isBlank(proxy) ? Text() : proxy;
    if (!isBlank(user)) {
        request.user = user;
        request.password = isBlank(password) ? Text() : password;
    }
    request.deadline = deadline;

    // Always from the server, never from a cache. These lines go ahead of the caller's
    // text, with the lines the library itself writes (Host, User-Agent), so that the
    // caller's lines and the defaults appended to them keep their order on the wire.
    if (!contains(extraHeaders, "Cache-Control:"))
        request.headersBeforeCookie.push_back("Cache-Control: no-cache");
    if (!contains(extraHeaders, "Pragma:"))
        request.headersBeforeCookie.push_back("Pragma: no-cache");

    request.headersAfterCookie = headerLines(extraHeaders);
    request.sendCookies = !hasLineStarting(request.headersAfterCookie, "Cookie:");
    // The defaults are searched for anywhere in the header text as it grows.
    Text headerText = extraHeaders;
    auto append = [&](const Text& line) {
        request.headersAfterCookie.push_back(line);
        headerText += line + "\r\n";
    };
    if (!contains(headerText, "Accept: "))
        append(defaultAccept);
    // The address as it goes out on the request line, so that it cannot add a header here.
    if (!contains(headerText, "Referer: "))
        append("Referer: " + escapeRequestTarget(address));
    if (!contains(headerText, "Accept-Language: "))
        append("Accept-Language: zh-cn");

    if (!isGet && !body.empty()) {
        request.body = body;
        if (!contains(headerText, "Content-Type: "))
            request.bodyHeaders.push_back("Content-Type: application/x-www-form-urlencoded");
        request.bodyHeaders.push_back("Content-Length: " +
                                      decimal(static_cast<std::int64_t>(body.size())));
    }

    Bytes received;
    const TransferOutcome outcome = runTransfer(request, [&](const char* data, std::size_t n) {
        const std::size_t room = maxBodyBytes - received.size();
        received.append(data, std::min(n, room));
        return n <= room;
    });
    if (!outcome.handleMade)
        return 0;

    record.clear();
    record.writeText(replyTag);
    record.writeText(outcome.headers.size() < headersBufferSize ? outcome.headers
                                                                : Text(headersBufferSize, ' '));
    record.writeBytes(received);
    return 1;
}

Bytes webRequest(const Text& address, const Text& method, const Text& proxy, const Text& user,
                 const Text& password, const Text& extraHeaders, const Text& body,
                 std::int32_t timeoutSeconds, Text* responseHeaders) {
    using namespace std::chrono;
    initialiseWeb();
    if (responseHeaders)
        responseHeaders->clear();

    auto exchange = std::make_shared<Exchange>();
    exchange->record.writeText(requestTag);
    for (const Text* item : {&address, &method, &proxy, &user, &password, &extraHeaders, &body})
        exchange->record.writeText(*item);

    // One deadline from the start: events arriving meanwhile do not move it.
    const auto deadline =
        steady_clock::now() +
        seconds(timeoutSeconds > 0 ? timeoutSeconds : defaultRequestTimeoutSeconds);
    exchange->wakeWindow = isWindowThread();

    try {
        std::thread([exchange, deadline] {
            try {
                requestWorker(exchange->record, deadline + workerGrace);
            } catch (...) {
                exchange->record.clear(); // a half-written reply is no reply
            }
            std::lock_guard lock(exchange->mutex);
            exchange->done = true;
            if (exchange->callerWaiting) {
                exchange->ended.notify_all();
                if (exchange->wakeWindow)
                    windowPort().wake();
            }
        }).detach();
    } catch (const std::system_error&) {
        return {}; // no thread, no exchange
    }

    bool finished = false;
    if (exchange->wakeWindow) {
        WindowPort& port = windowPort();
        for (;;) {
            {
                std::lock_guard lock(exchange->mutex);
                if (exchange->done)
                    break;
            }
            const auto left = ceil<microseconds>(deadline - steady_clock::now());
            if (left.count() <= 0)
                break;
            port.waitForEvents(left);
        }
    } else {
        std::unique_lock lock(exchange->mutex);
        exchange->ended.wait_until(lock, deadline, [&] { return exchange->done; });
    }
    {
        std::lock_guard lock(exchange->mutex);
        finished = exchange->done;
        exchange->callerWaiting = false;
    }
    if (!finished)
        return {}; // the late reply, if any, goes with the exchange

    Text tag, headers;
    Bytes result;
    exchange->record.rewind();
    exchange->record.read(
        {ExchangeRecord::text(tag), ExchangeRecord::text(headers), ExchangeRecord::bytes(result)});
    if (responseHeaders)
        *responseHeaders = headers;
    if (tag != replyTag)
        return {};
    return result;
}

} // namespace pv
