// A small HTTP server for tests: listens on 127.0.0.1 on a port of its own, records the raw
// bytes of every request and answers with scripted replies (whole, cut off, late, never),
// one connection per request. It can stand in for a proxy too: it answers whatever request
// line arrives.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pv::test {

struct ScriptedReply {
    std::string bytes;                  // sent as they are; then the connection is closed
    std::chrono::milliseconds delay{0}; // waited before anything is sent
    bool hang = false;                  // never answer; the connection stays open until the end
};

// A whole reply with a status line, the given header lines (each ending in CR LF), a
// Content-Length line and the body.
std::string httpReply(int status, const std::string& body, const std::string& headers = {});

// The parts of one raw request.
struct CapturedRequest {
    std::string requestLine;
    std::vector<std::string> headers; // each line without its CR LF, in order
    std::string body;
    // The value of the first header of that name (any letter case), or empty.
    std::string header(const std::string& name) const;
};
CapturedRequest parseRequest(const std::string& raw);

class HttpCapture {
public:
    using Responder = std::function<ScriptedReply(const std::string& rawRequest)>;

    HttpCapture();
    ~HttpCapture();
    HttpCapture(const HttpCapture&) = delete;
    HttpCapture& operator=(const HttpCapture&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string origin() const;

    // Request n (in order of arrival) gets the n-th scripted reply; requests beyond the
    // script get the responder's answer (by default an empty 200 reply).
    void script(std::vector<ScriptedReply> replies);
    void setResponder(Responder responder);

    std::vector<std::string> requests() const;
    // Waits until at least `count` requests have arrived; false when `timeout` passes first.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits until `count` replies have been sent in full.
    bool waitForReplies(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    void acceptLoop();
    void serve(int fd);
    // Sleeps up to `d`; false when the server is stopping.
    bool pause(std::chrono::milliseconds d);

    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::vector<std::string> requests_;
    std::size_t repliesSent_ = 0;
    std::vector<ScriptedReply> script_;
    Responder responder_;
    std::thread acceptThread_;
    std::vector<std::thread> connections_;
};

} // namespace pv::test
