#include "support/httpcapture.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pv::test {

namespace {

std::string lowered(std::string s) {
    for (char& c : s)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return s;
}

// The length of the request in `raw` once its head and body are complete, or 0.
std::size_t completeLength(const std::string& raw) {
    const std::size_t end = raw.find("\r\n\r\n");
    if (end == std::string::npos)
        return 0;
    const CapturedRequest r = parseRequest(raw.substr(0, end + 4));
    const std::size_t body =
        static_cast<std::size_t>(std::atol(r.header("Content-Length").c_str()));
    return raw.size() >= end + 4 + body ? end + 4 + body : 0;
}

} // namespace

std::string httpReply(int status, const std::string& body, const std::string& headers) {
    return "HTTP/1.1 " + std::to_string(status) + " Scripted\r\n" + headers +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string CapturedRequest::header(const std::string& name) const {
    const std::string wanted = lowered(name) + ":";
    for (const std::string& line : headers) {
        if (lowered(line.substr(0, wanted.size())) == wanted) {
            std::size_t at = wanted.size();
            while (at < line.size() && line[at] == ' ')
                ++at;
            return line.substr(at);
        }
    }
    return {};
}

CapturedRequest parseRequest(const std::string& raw) {
    CapturedRequest r;
    const std::size_t end = raw.find("\r\n\r\n");
    const std::string head = raw.substr(0, end);
    if (end != std::string::npos)
        r.body = raw.substr(end + 4);
    std::size_t start = 0;
    bool first = true;
    while (start <= head.size()) {
        std::size_t eol = head.find("\r\n", start);
        if (eol == std::string::npos)
            eol = head.size();
        std::string line = head.substr(start, eol - start);
        if (first)
            r.requestLine = line;
        else
            r.headers.push_back(line);
        first = false;
        start = eol + 2;
    }
    return r;
}

HttpCapture::HttpCapture() {
    if (pipe(stopPipe_) != 0)
        return;
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listenFd_, 64) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

HttpCapture::~HttpCapture() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (stopPipe_[1] >= 0)
        (void)!write(stopPipe_[1], "x", 1);
    if (acceptThread_.joinable())
        acceptThread_.join();
    for (std::thread& t : connections_)
        t.join();
    if (listenFd_ >= 0)
        close(listenFd_);
    for (int fd : stopPipe_) {
        if (fd >= 0)
            close(fd);
    }
}

std::string HttpCapture::origin() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void HttpCapture::script(std::vector<ScriptedReply> replies) {
    std::lock_guard lock(mutex_);
    script_ = std::move(replies);
}

void HttpCapture::setResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

std::vector<std::string> HttpCapture::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool HttpCapture::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool HttpCapture::waitForReplies(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return repliesSent_ >= count; });
}

bool HttpCapture::pause(std::chrono::milliseconds d) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, d, [&] { return stopping_; });
}

void HttpCapture::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void HttpCapture::serve(int fd) {
    // Read one request: its head, and as much body as its Content-Length announces.
    std::string raw;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (completeLength(raw) == 0 && std::chrono::steady_clock::now() < giveUp) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, 100) < 0 && errno != EINTR)
            break;
        if (fds[1].revents)
            break;
        if (!(fds[0].revents & (POLLIN | POLLHUP)))
            continue;
        char buffer[4096];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        raw.append(buffer, static_cast<std::size_t>(n));
    }
    if (raw.empty()) {
        close(fd);
        return;
    }

    ScriptedReply reply;
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        const std::size_t index = requests_.size();
        requests_.push_back(raw);
        if (index < script_.size())
            reply = script_[index];
        else
            responder = responder_;
    }
    changed_.notify_all();
    if (responder)
        reply = responder(raw);
    if (reply.bytes.empty() && !reply.hang)
        reply.bytes = httpReply(200, "");

    if (reply.hang) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_; });
    } else if (pause(reply.delay)) {
        std::size_t sent = 0;
        while (sent < reply.bytes.size()) {
            const ssize_t n =
                send(fd, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        shutdown(fd, SHUT_WR);
        {
            std::lock_guard lock(mutex_);
            ++repliesSent_;
        }
        changed_.notify_all();
    }
    close(fd);
}

} // namespace pv::test
