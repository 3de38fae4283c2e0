// A minimal HTTP client over a plain socket, so that the tests see exactly what the host
// sends: nothing at all, half a body, or no answer within a time.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace albumhost::test {

struct RawReply {
    bool connected = false;
    bool timedOut = false; // nothing more came within the time, the connection still open
    std::string raw;       // every byte received
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    long long contentLength = -1;

    std::string header(std::string_view name) const;
    // Headers parsed and the body as long as announced.
    bool complete() const;
};

// GET target (sent exactly as given) with "Connection: close" and the extra header lines
// (a Host line among them replaces the default one).
RawReply rawGet(int port, const std::string& target, const std::vector<std::string>& extra = {},
                int timeoutMs = 5000);

// Reads one answer from a connected socket into reply; for keep-alive use.
void readReply(int fd, RawReply& reply, int timeoutMs, bool untilClose);
int connectTo(int port);
bool sendAll(int fd, const std::string& bytes);

} // namespace albumhost::test
