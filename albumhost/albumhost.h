// The album host: a small HTTP server that serves members' album indexes, albums,
// thumbnails and full-size pictures in the page form Picvora reads, either from a folder
// tree ROOT/<member>/<album>/<pictures> or from the built-in demo member "demo".
//
// In-process use (tests, benchmarks):
//
//     albumhost::HostOptions options;
//     options.port = 0; // a free port
//     albumhost::AlbumHost host(options);
//     host.addAlbum("tester", {"旅行", albumhost::numberedPictures(30)});
//     host.addFault({"/tester/album/1/index/1", albumhost::Fault::serverError});
//     host.start();
//     ... "http://" + host.hostAndPort() + "/tester/album" ...
//     host.requests(); // what arrived, with which headers
//
// Addresses (GBK names may come raw or percent-encoded, GBK or UTF-8):
//   /<member>/album, /<member>/album/index/<n>     album index, page n + 1 (n from 0)
//   /<member>/album/<k>, .../index/<n>             album k (1-based), its pages
//   /<member>/album/<k>/abpic/<file>               thumbnail (fits 150 x 143 by default)
//   /<member>/album/<k>/pic/<file>                 full-size picture
//
// Texts given to the host are UTF-8 (as written in our sources); texts read back from it
// (AlbumInfo, PictureInfo, contentAt) are GBK bytes, as the program sees them.
// Nothing here throws; every call may be made from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace albumhost {

enum class Fault {
    serverError,  // answers 500 with an error page (no forimgs section)
    drop,         // closes the connection without a byte of answer
    cutOff,       // announces the whole body, sends half of it, closes
    notFound,     // answers 404 with the error page
    hang,         // never answers (until the host stops, then drops the connection)
    delay,        // waits delayMs before answering (adds to the latency of every answer)
    declaredCount // the album's pnum in the index reads `text` instead of its count
};

struct FaultRule {
    // The path as a client would send it, e.g. "/demo/album/index/2" or
    // "/demo/album/3/pic/0007.jpg"; raw or percent-encoded, GBK or UTF-8. A request matches
    // under the address it was sent to and under the address our pages give the same thing
    // (an album named in the path matches its /album/<k> rules). A trailing "*" matches
    // every path that begins with the rest.
    std::string path;
    Fault fault = Fault::serverError;
    int delayMs = 0;  // Fault::delay
    std::string text; // Fault::declaredCount, UTF-8

    FaultRule() = default;
    FaultRule(std::string path_, Fault fault_, int delayMs_ = 0, std::string text_ = {})
        : path(std::move(path_)), fault(fault_), delayMs(delayMs_), text(std::move(text_)) {}
};

struct HostOptions {
    std::string bindAddress = "127.0.0.1"; // loopback unless told otherwise
    int port = 8642;                       // 0: a free port (kept across stop and start)
    std::string root;                      // folder tree to serve; empty: the demo member
    bool demo = true;                      // serve "demo" when no root is given
    int albumsPerPage = 20;
    int picturesPerPage = 24;
    int thumbnailWidth = 150; // thumbnails fit this box; 0 x 0: a picture is its own thumbnail
    int thumbnailHeight = 143;
    int latencyMs = 0; // added to every answer
    int threads = 128; // connections served at once (each keep-alive connection holds one)
    // "name=value": sent as Set-Cookie with every listing page.
    std::string cookie;
    // With a cookie: requests other than a listing's own first address that do not carry it
    // get 403.
    bool requireCookie = false;
    std::vector<FaultRule> faults;
    bool recordRequests = true;
    bool logRequests = false; // one line per answer on stderr
};

// A picture of an album added by the caller; the host draws it (JPEG, the number on it).
struct PictureSpec {
    std::string fileName; // UTF-8; what follows the last "/" of its addresses; may repeat
    std::string name;     // UTF-8 pname; empty: the file name without its extension
    int number = 0;       // drawn on the picture; 0: its position in the album
    int width = 400;
    int height = 300;

    PictureSpec() = default;
    PictureSpec(std::string fileName_, std::string name_ = {}, int number_ = 0, int width_ = 400,
                int height_ = 300)
        : fileName(std::move(fileName_)), name(std::move(name_)), number(number_), width(width_),
          height(height_) {}
};

// count pictures "0001.jpg" ... named "图片 1" ...
std::vector<PictureSpec> numberedPictures(int count, int width = 400, int height = 300);

struct AlbumSpec {
    std::string name; // UTF-8
    std::vector<PictureSpec> pictures;
    std::optional<std::string> declaredCount; // pnum text (UTF-8); default: the count

    AlbumSpec() = default;
    AlbumSpec(std::string name_, std::vector<PictureSpec> pictures_ = {},
              std::optional<std::string> declaredCount_ = std::nullopt)
        : name(std::move(name_)), pictures(std::move(pictures_)),
          declaredCount(std::move(declaredCount_)) {}
};

struct PictureInfo {
    std::string fileName;      // GBK
    std::string name;          // pname (GBK, as written on the page)
    std::string size;          // psize
    std::string thumbnailPath; // psrc without "http://" and the host
    std::string picturePath;   // the same with /pic/
};

struct AlbumInfo {
    int number = 0;            // 1-based, in the member's album index
    std::string name;          // pname (GBK, as written on the page)
    std::string declaredCount; // pnum (GBK), after any declaring rule
    std::string path;          // purl
    std::vector<PictureInfo> pictures;
};

struct RecordedRequest {
    std::string method;
    std::string target; // as sent, undecoded
    std::vector<std::pair<std::string, std::string>> headers;
    // The first header of that name (case ignored), or empty.
    std::string header(std::string_view name) const;
};

class AlbumHost {
public:
    explicit AlbumHost(HostOptions options = {});
    ~AlbumHost(); // stops
    AlbumHost(const AlbumHost&) = delete;
    AlbumHost& operator=(const AlbumHost&) = delete;

    // Binds and starts serving; false (see error()) when the address cannot be bound or the
    // root folder cannot be read. A stopped host can be started again.
    bool start();
    // Wakes hanging and delayed requests, closes every connection, returns when all is quiet.
    void stop();
    bool running() const;
    std::string error() const;
    int port() const;
    std::string hostAndPort() const;              // "127.0.0.1:NNNN"
    std::string url(std::string_view path) const; // "http://" + hostAndPort() + path

    // The member (UTF-8) with no albums yet; unknown members answer 404.
    void addMember(const std::string& member);
    // Adds an album at the end of the member's index (creating the member); its number.
    int addAlbum(const std::string& member, const AlbumSpec& album);
    // The member's albums as its index lists them; empty for an unknown member.
    std::vector<AlbumInfo> albums(const std::string& member) const;
    // "/<member>/album" as our pages write it.
    static std::string indexPath(const std::string& member);
    // The exact bytes a GET of target answers with (page, thumbnail or picture), faults
    // aside, as if the request had come to hostAndPort().
    std::string contentAt(const std::string& target) const;

    void addFault(const FaultRule& rule);
    void clearFaults(); // every rule, those of the options included
    void setCookie(const std::string& nameValue, bool require);

    std::vector<RecordedRequest> requests() const;
    void clearRequests();
    // Until at least count requests have arrived since the last clear; false on time-out.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    struct State;
    std::unique_ptr<State> d_;
};

} // namespace albumhost
