#include "rawclient.h"

#include <arpa/inet.h>
#include <cctype>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace albumhost::test {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Parses what has arrived so far; true once the whole answer is there.
bool parse(RawReply& r) {
    std::size_t end = r.raw.find("\r\n\r\n");
    if (end == std::string::npos)
        return false;
    r.headers.clear();
    std::size_t lineEnd = r.raw.find("\r\n");
    const std::string statusLine = r.raw.substr(0, lineEnd);
    if (statusLine.size() >= 12)
        r.status = std::atoi(statusLine.c_str() + 9);
    std::size_t at = lineEnd + 2;
    while (at < end) {
        std::size_t next = r.raw.find("\r\n", at);
        std::string line = r.raw.substr(at, next - at);
        std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::size_t v = colon + 1;
            while (v < line.size() && line[v] == ' ')
                ++v;
            r.headers.emplace_back(line.substr(0, colon), line.substr(v));
        }
        at = next + 2;
    }
    const std::string length = r.header("Content-Length");
    r.contentLength = length.empty() ? -1 : std::atoll(length.c_str());
    r.body = r.raw.substr(end + 4);
    return r.contentLength >= 0 && static_cast<long long>(r.body.size()) >= r.contentLength;
}

} // namespace

std::string RawReply::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (sameName(key, name))
            return value;
    }
    return {};
}

bool RawReply::complete() const {
    return status != 0 && contentLength >= 0 &&
           static_cast<long long>(body.size()) == contentLength;
}

int connectTo(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void readReply(int fd, RawReply& reply, int timeoutMs, bool untilClose) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[16384];
    for (;;) {
        if (!untilClose && parse(reply))
            return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            reply.timedOut = true;
            parse(reply);
            return;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            parse(reply);
            return;
        }
        reply.raw.append(buffer, static_cast<std::size_t>(n));
    }
}

RawReply rawGet(int port, const std::string& target, const std::vector<std::string>& extra,
                int timeoutMs) {
    RawReply reply;
    int fd = connectTo(port);
    if (fd < 0)
        return reply;
    reply.connected = true;
    std::string request = "GET " + target + " HTTP/1.1\r\nConnection: close\r\n";
    bool host = false;
    for (const std::string& line : extra) {
        request += line + "\r\n";
        host = host || sameName(line.substr(0, 5), "Host:");
    }
    if (!host)
        request += "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    request += "\r\n";
    if (sendAll(fd, request))
        readReply(fd, reply, timeoutMs, true);
    ::close(fd);
    return reply;
}

} // namespace albumhost::test
