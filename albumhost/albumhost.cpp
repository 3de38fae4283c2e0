#include "albumhost.h"

#include "catalogue.h"
#include "faults.h"
#include "hostpath.h"
#include "pages.h"
#include "site.h"

#include "core/text.h"

#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace albumhost {

namespace {

// Connections waiting to be accepted; the library's own backlog of 5 turns away bursts of
// clients long before the workers are busy.
constexpr int listenBacklog = 512;

class Server : public httplib::Server {
public:
    void widenBacklog(int backlog) {
        socket_t sock = svr_sock_;
        if (sock != INVALID_SOCKET)
            ::listen(sock, backlog);
    }
};

int portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

// The server library does not hand its sockets to the handlers. To end a connection from
// inside (a dropped answer) or to end idle keep-alive connections at once on stop, find the
// sockets among this process's descriptors by their ports and shut them down; the library
// then sees the connection end and closes the descriptor itself.
// remotePort -1: every connection accepted on localPort.
int shutdownConnections(int localPort, int remotePort) {
    int count = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        int fd = -1;
        try {
            fd = std::stoi(it->path().filename().string());
        } catch (...) {
            continue;
        }
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localSize = sizeof local;
        socklen_t peerSize = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
            continue;
        if (portOf(local) != localPort || (remotePort >= 0 && portOf(peer) != remotePort))
            continue;
        ::shutdown(fd, SHUT_RDWR);
        ++count;
    }
    return count;
}

std::string toGbk(const std::string& text) {
    return isUtf8(text) ? pv::utf8ToGbk(text) : text;
}

bool carriesCookie(const httplib::Request& req, const std::string& nameValue) {
    const std::size_t n = req.get_header_value_count("Cookie");
    for (std::size_t i = 0; i < n; ++i) {
        const std::string line = req.get_header_value("Cookie", i);
        std::size_t start = 0;
        while (start <= line.size()) {
            std::size_t end = line.find(';', start);
            if (end == std::string::npos)
                end = line.size();
            std::string_view part(line.data() + start, end - start);
            while (!part.empty() && part.front() == ' ')
                part.remove_prefix(1);
            while (!part.empty() && part.back() == ' ')
                part.remove_suffix(1);
            if (part == nameValue)
                return true;
            start = end + 1;
        }
    }
    return false;
}

} // namespace

std::string RecordedRequest::header(std::string_view name) const {
    auto same = [name](const std::string& key) {
        return std::equal(key.begin(), key.end(), name.begin(), name.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    for (const auto& [key, value] : headers) {
        if (same(key))
            return value;
    }
    return {};
}

std::vector<PictureSpec> numberedPictures(int count, int width, int height) {
    std::vector<PictureSpec> pictures;
    for (int n = 1; n <= count; ++n) {
        char file[24];
        std::snprintf(file, sizeof file, "%04d.jpg", n);
        pictures.push_back({file, "图片 " + std::to_string(n), n, width, height});
    }
    return pictures;
}

struct AlbumHost::State {
    HostOptions options;
    SiteSettings settings;
    Catalogue catalogue;
    FaultRules rules;
    std::string loadError;

    mutable std::mutex mutex; // everything below
    std::string error;
    std::unique_ptr<Server> server;
    std::thread listener;
    int port = 0;
    bool stopping = false;
    std::condition_variable stopped;
    std::string cookie;
    bool requireCookie = false;
    std::vector<RecordedRequest> requests;
    mutable std::condition_variable arrived;

    std::string hostAndPort() const {
        std::lock_guard lock(mutex);
        // Bound to every address: name the loopback one, which a local client can reach.
        const std::string& a = options.bindAddress;
        const std::string host = (a == "0.0.0.0" || a.empty())      ? "127.0.0.1"
                                 : a == "::"                        ? "[::1]"
                                 : a.find(':') != std::string::npos ? "[" + a + "]"
                                                                    : a;
        return host + ":" + std::to_string(port);
    }

    // Waits ms unless the host stops first; false when it stops.
    bool pause(int ms) {
        std::unique_lock lock(mutex);
        if (ms > 0)
            stopped.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
        return !stopping;
    }

    void waitForStop() {
        std::unique_lock lock(mutex);
        stopped.wait(lock, [this] { return stopping; });
    }

    void record(const httplib::Request& req) {
        RecordedRequest r{req.method, req.target, {}};
        for (const auto& [key, value] : req.headers)
            r.headers.emplace_back(key, value);
        {
            std::lock_guard lock(mutex);
            requests.push_back(std::move(r));
        }
        arrived.notify_all();
    }

    void drop(const httplib::Request& req, httplib::Response& res) {
        res.status = 500;
        if (shutdownConnections(req.local_port, req.remote_port) > 0)
            return;
        // Socket not found: send the status line and headers, then end the connection.
        res.set_content_provider(
            1, "text/plain", [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
    }

    void message(httplib::Response& res, int status) {
        res.status = status;
        res.set_content(messagePage(status), pageContentType);
    }

    void handle(const httplib::Request& req, httplib::Response& res) {
        // No exception may leave a server thread.
        try {
            serve(req, res);
        } catch (...) {
            res = httplib::Response();
            message(res, 500);
        }
        if (options.logRequests)
            std::fprintf(stderr, "%s %s %d\n", req.method.c_str(), req.target.c_str(), res.status);
    }

    void serve(const httplib::Request& req, httplib::Response& res) {
        if (options.recordRequests)
            record(req);
        Target target = resolve(catalogue, req.target);
        FaultRules::Found found = rules.match(target.known);
        if (!pause(options.latencyMs + found.delayMs))
            return drop(req, res);
        if (found.fault) {
            switch (*found.fault) {
            case Fault::serverError:
                return message(res, 500);
            case Fault::notFound:
                return message(res, 404);
            case Fault::drop:
                return drop(req, res);
            case Fault::hang:
                waitForStop();
                return drop(req, res);
            default:
                break;
            }
        }
        std::string cookieNow;
        bool require = false;
        {
            std::lock_guard lock(mutex);
            cookieNow = cookie;
            require = requireCookie;
        }
        const bool firstAddress = target.listing() && target.listingAddress;
        if (require && !cookieNow.empty() && target.kind != Kind::none && !firstAddress &&
            !carriesCookie(req, cookieNow))
            return message(res, 403);

        std::string host = cleanHost(req.get_header_value("Host"));
        if (host.empty())
            host = hostAndPort();
        Answer a = answer(target, settings, host, catalogue, rules);
        res.status = a.status;
        if (target.listing() && a.status == 200 && !cookieNow.empty())
            res.set_header("Set-Cookie", cookieNow + "; Path=/");
        if (found.fault == Fault::cutOff) {
            auto body = std::make_shared<std::string>(std::move(a.body));
            res.set_content_provider(
                body->size(), a.contentType,
                [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                    const std::size_t half = body->size() / 2;
                    if (offset < half)
                        sink.write(body->data() + offset, half - offset);
                    return false; // the rest never comes: the connection ends here
                });
            return;
        }
        res.set_content(a.body, a.contentType);
    }
};

AlbumHost::AlbumHost(HostOptions options) : d_(std::make_unique<State>()) {
    d_->options = std::move(options);
    const HostOptions& o = d_->options;
    d_->settings.albumsPerPage = std::max(1, o.albumsPerPage);
    d_->settings.picturesPerPage = std::max(1, o.picturesPerPage);
    d_->settings.thumbnail = {o.thumbnailWidth, o.thumbnailHeight};
    d_->cookie = o.cookie;
    d_->requireCookie = o.requireCookie;
    for (const FaultRule& rule : o.faults)
        d_->rules.add(rule);
    if (!o.root.empty())
        d_->catalogue.loadRoot(o.root, d_->loadError);
    else if (o.demo)
        d_->catalogue.addDemoMember();
}

AlbumHost::~AlbumHost() {
    stop();
}

bool AlbumHost::start() {
    State& d = *d_;
    std::unique_lock lock(d.mutex);
    if (d.server)
        return true;
    if (!d.loadError.empty()) {
        d.error = d.loadError;
        return false;
    }
    auto server = std::make_unique<Server>();
    const std::size_t threads = static_cast<std::size_t>(std::max(d.options.threads, 8));
    server->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server->set_keep_alive_max_count(1000);
    server->set_keep_alive_timeout(5);
    // Headers and body go out in two writes; without this, delayed acknowledgement holds
    // the second one back for tens of milliseconds on a kept-alive connection.
    server->set_tcp_nodelay(true);
    // Not SO_REUSEPORT (the library's default): a second host on a taken port must fail
    // instead of sharing it.
    server->set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    State* state = d_.get();
    auto handler = [state](const httplib::Request& req, httplib::Response& res) {
        state->handle(req, res);
    };
    server->Get(R"([\s\S]*)", handler);
    server->Post(R"([\s\S]*)", handler);

    int port = d.options.port != 0 ? d.options.port : d.port;
    const std::string& address = d.options.bindAddress;
    bool bound = port != 0 ? server->bind_to_port(address, port)
                           : (port = server->bind_to_any_port(address)) > 0;
    if (!bound) {
        d.error = "cannot listen on " + address + ":" + std::to_string(port);
        return false;
    }
    server->widenBacklog(listenBacklog);
    d.port = port;
    d.stopping = false;
    d.error.clear();
    Server* raw = server.get();
    d.listener = std::thread([raw] { raw->listen_after_bind(); });
    d.server = std::move(server);
    lock.unlock();
    // stop() only takes effect once the accept loop runs.
    for (int i = 0; i < 2000 && !raw->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void AlbumHost::stop() {
    State& d = *d_;
    std::unique_ptr<Server> server;
    std::thread listener;
    int port = 0;
    {
        std::lock_guard lock(d.mutex);
        if (!d.server)
            return;
        d.stopping = true;
        server = std::move(d.server);
        listener = std::move(d.listener);
        port = d.port;
    }
    d.stopped.notify_all();
    server->stop();
    // Idle keep-alive connections would otherwise hold their workers for seconds.
    shutdownConnections(port, -1);
    if (listener.joinable())
        listener.join();
}

bool AlbumHost::running() const {
    std::lock_guard lock(d_->mutex);
    return d_->server != nullptr;
}

std::string AlbumHost::error() const {
    std::lock_guard lock(d_->mutex);
    return d_->error.empty() ? d_->loadError : d_->error;
}

int AlbumHost::port() const {
    std::lock_guard lock(d_->mutex);
    return d_->port;
}

std::string AlbumHost::hostAndPort() const {
    return d_->hostAndPort();
}

std::string AlbumHost::url(std::string_view path) const {
    return "http://" + hostAndPort() + std::string(path);
}

void AlbumHost::addMember(const std::string& member) {
    d_->catalogue.addMember(toGbk(member));
}

int AlbumHost::addAlbum(const std::string& member, const AlbumSpec& wanted) {
    Album album;
    album.name = toGbk(wanted.name);
    int position = 0;
    for (const PictureSpec& ps : wanted.pictures) {
        ++position;
        Picture p;
        p.fileName = toGbk(ps.fileName);
        std::string name = ps.name;
        if (name.empty()) {
            std::size_t dot = ps.fileName.rfind('.');
            name =
                (dot == std::string::npos || dot == 0) ? ps.fileName : ps.fileName.substr(0, dot);
        }
        p.name = toGbk(name);
        p.number = ps.number != 0 ? ps.number : position;
        p.width = ps.width;
        p.height = ps.height;
        p.size = std::to_string(ps.width) + "x" + std::to_string(ps.height);
        album.pictures.push_back(std::move(p));
    }
    album.declared =
        wanted.declaredCount ? toGbk(*wanted.declaredCount) : std::to_string(album.pictures.size());
    return d_->catalogue.addAlbum(toGbk(member), std::move(album));
}

std::vector<AlbumInfo> AlbumHost::albums(const std::string& member) const {
    std::vector<AlbumInfo> out;
    auto found = d_->catalogue.findMember(member);
    if (!found)
        return out;
    for (std::size_t i = 0; i < found->albums.size(); ++i) {
        const Album& album = *found->albums[i];
        const int number = static_cast<int>(i + 1);
        AlbumInfo info;
        info.number = number;
        info.name = recordValue(album.name);
        info.declaredCount = recordValue(declaredCount(found->name, number, album, d_->rules));
        info.path = recordValue(albumAddress(found->name, number));
        for (const Picture& p : album.pictures) {
            info.pictures.push_back({p.fileName, recordValue(p.name), recordValue(p.size),
                                     recordValue(info.path + "/abpic/" + p.key),
                                     recordValue(info.path + "/pic/" + p.key)});
        }
        out.push_back(std::move(info));
    }
    return out;
}

std::string AlbumHost::indexPath(const std::string& member) {
    return indexAddress(toGbk(member));
}

std::string AlbumHost::contentAt(const std::string& target) const {
    Target t = resolve(d_->catalogue, target);
    return answer(t, d_->settings, hostAndPort(), d_->catalogue, d_->rules).body;
}

void AlbumHost::addFault(const FaultRule& rule) {
    d_->rules.add(rule);
}

void AlbumHost::clearFaults() {
    d_->rules.clear();
}

void AlbumHost::setCookie(const std::string& nameValue, bool require) {
    std::lock_guard lock(d_->mutex);
    d_->cookie = nameValue;
    d_->requireCookie = require;
}

std::vector<RecordedRequest> AlbumHost::requests() const {
    std::lock_guard lock(d_->mutex);
    return d_->requests;
}

void AlbumHost::clearRequests() {
    std::lock_guard lock(d_->mutex);
    d_->requests.clear();
}

bool AlbumHost::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(d_->mutex);
    return d_->arrived.wait_for(lock, timeout, [&] { return d_->requests.size() >= count; });
}

} // namespace albumhost
