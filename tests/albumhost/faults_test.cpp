// Fault injection, cookies, request records, and how many connections the host serves.
#include "listingreader.h"
#include "rawclient.h"

#include "albumhost/albumhost.h"
#include "core/text.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace albumhost::test {
namespace {

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Member "t": album 1 of 15 pictures, 3 a page (five pages).
class FaultHost : public ::testing::Test {
protected:
    void SetUp() override {
        HostOptions options;
        options.port = 0;
        options.demo = false;
        options.picturesPerPage = 3;
        host = std::make_unique<AlbumHost>(options);
        host->addAlbum("t", {"五页", numberedPictures(15)});
        host->addAlbum("t", {"另一个", numberedPictures(2)});
        ASSERT_TRUE(host->start()) << host->error();
        album = host->albums("t")[0];
    }
    RawReply get(const std::string& target, const std::vector<std::string>& extra = {},
                 int timeoutMs = 5000) {
        return rawGet(host->port(), target, extra, timeoutMs);
    }
    std::unique_ptr<AlbumHost> host;
    AlbumInfo album;
};

TEST_F(FaultHost, EachFaultDoesWhatItSays) {
    const std::string picture = album.pictures[6].picturePath;
    const std::string full = host->contentAt(picture);
    ASSERT_GT(full.size(), 1000u);

    host->addFault({picture, Fault::serverError});
    RawReply failed = get(picture);
    EXPECT_EQ(failed.status, 500);
    EXPECT_TRUE(fields(parsers().section, failed.body).empty());

    host->clearFaults();
    host->addFault({picture, Fault::notFound});
    EXPECT_EQ(get(picture).status, 404);

    host->clearFaults();
    host->addFault({picture, Fault::drop});
    RawReply dropped = get(picture);
    EXPECT_TRUE(dropped.connected);
    EXPECT_FALSE(dropped.timedOut);
    EXPECT_TRUE(dropped.raw.empty()) << "not a byte of answer";

    host->clearFaults();
    host->addFault({picture, Fault::cutOff});
    RawReply cut = get(picture);
    EXPECT_FALSE(cut.timedOut);
    EXPECT_EQ(cut.status, 200);
    EXPECT_EQ(cut.contentLength, static_cast<long long>(full.size()));
    EXPECT_EQ(cut.body, full.substr(0, full.size() / 2));
    EXPECT_FALSE(cut.complete());

    host->clearFaults();
    host->addFault({picture, Fault::hang});
    RawReply hung = get(picture, {}, 300);
    EXPECT_TRUE(hung.timedOut);
    EXPECT_TRUE(hung.raw.empty());

    host->clearFaults();
    host->addFault({picture, Fault::delay, 250});
    auto start = Clock::now();
    RawReply slow = get(picture);
    EXPECT_GE(millisecondsSince(start), 250);
    EXPECT_EQ(slow.body, full);

    host->clearFaults();
    RawReply clean = get(picture);
    EXPECT_TRUE(clean.complete());
    EXPECT_EQ(clean.body, full);
    // Only the named path misbehaved: the neighbour was never touched.
    EXPECT_EQ(get(album.pictures[5].picturePath).status, 200);
}

TEST_F(FaultHost, FailingOrDroppedPageThreeLeavesTheOtherFourSections) {
    for (Fault fault : {Fault::serverError, Fault::drop}) {
        host->clearFaults();
        host->addFault({album.path + "/index/2", fault});
        ListingRead read = readListing(host->port(), album.path);
        ASSERT_EQ(read.pages, 5);
        const auto sources = fields(parsers().psrc, read.joined);
        ASSERT_EQ(sources.size(), 12u);
        for (std::size_t i = 0; i < 12; ++i) {
            const std::size_t picture = i < 6 ? i : i + 3; // pictures 7 to 9 are missing
            EXPECT_EQ(sources[i], host->url(album.pictures[picture].thumbnailPath));
        }
    }
}

TEST_F(FaultHost, ARuleMatchesTheAlbumUnderItsNameToo) {
    host->addFault({album.path + "/index/1", Fault::serverError});
    EXPECT_EQ(get("/t/" + gbk("五页") + "/index/1").status, 500);
    EXPECT_EQ(get("/t/" + gbk("五页") + "/index/0").status, 200);
    // And a rule given by name, in UTF-8, matches the purl.
    host->clearFaults();
    host->addFault({"/t/五页/index/3", Fault::notFound});
    EXPECT_EQ(get(album.path + "/index/3").status, 404);
}

TEST_F(FaultHost, APrefixRuleCoversEveryPathBelowIt) {
    host->addFault({album.path + "/abpic/*", Fault::notFound});
    for (const PictureInfo& p : album.pictures) {
        EXPECT_EQ(get(p.thumbnailPath).status, 404);
        EXPECT_EQ(get(p.picturePath).status, 200);
    }
}

TEST_F(FaultHost, DeclaredCountDiffersFromThePicturesServed) {
    host->addFault({album.path, Fault::declaredCount, 0, "30"});
    host->addFault({host->albums("t")[1].path, Fault::declaredCount, 0, "很多"});
    const std::string section = sectionOf(pageText(get("/t/album").body));
    EXPECT_EQ(fields(parsers().pnum, section), (std::vector<std::string>{"30", gbk("很多")}));
    EXPECT_EQ(host->albums("t")[0].declaredCount, "30");
    EXPECT_EQ(fields(parsers().psrc, readListing(host->port(), album.path).joined).size(), 15u);

    host->addAlbum("t", {"声明", numberedPictures(4), "2"});
    EXPECT_EQ(host->albums("t")[2].declaredCount, "2");
    EXPECT_EQ(host->albums("t")[2].pictures.size(), 4u);
}

TEST_F(FaultHost, LatencyIsAddedToEveryAnswer) {
    HostOptions options;
    options.port = 0;
    options.latencyMs = 200;
    AlbumHost slow(options);
    ASSERT_TRUE(slow.start());
    for (const char* target : {"/demo/album", "/nobody/album"}) {
        auto start = Clock::now();
        rawGet(slow.port(), target);
        EXPECT_GE(millisecondsSince(start), 200) << target;
    }
}

TEST_F(FaultHost, StopEndsHangingRequestsAndTheHostStartsAgainOnItsPort) {
    host->addFault({"/never", Fault::hang});
    std::thread waiting([this] {
        RawReply r = get("/never", {}, 20000);
        EXPECT_FALSE(r.timedOut) << "stop ends the connection";
    });
    ASSERT_TRUE(host->waitForRequests(1, std::chrono::seconds(5)));
    const int port = host->port();
    auto start = Clock::now();
    host->stop();
    waiting.join();
    EXPECT_LT(millisecondsSince(start), 5000);
    EXPECT_FALSE(host->running());
    EXPECT_FALSE(get("/t/album").connected);

    ASSERT_TRUE(host->start());
    EXPECT_EQ(host->port(), port);
    EXPECT_EQ(get("/t/album").status, 200);
}

TEST_F(FaultHost, ATakenPortFailsToStart) {
    HostOptions options;
    options.port = host->port();
    AlbumHost second(options);
    EXPECT_FALSE(second.start());
    EXPECT_NE(second.error().find(std::to_string(host->port())), std::string::npos);
}

TEST_F(FaultHost, CookieIsSetOnListingPagesAndRequiredElsewhere) {
    host->setCookie("pvsid=42", true);
    const std::string thumb = album.pictures[0].thumbnailPath;
    const std::vector<std::string> withCookie = {"Cookie: other=1; pvsid=42"};

    RawReply index = get("/t/album");
    EXPECT_EQ(index.status, 200);
    EXPECT_EQ(index.header("Set-Cookie"), "pvsid=42; Path=/");
    RawReply first = get(album.path);
    EXPECT_EQ(first.status, 200) << "a listing's own address sets the cookie";
    EXPECT_EQ(first.header("Set-Cookie"), "pvsid=42; Path=/");

    struct Case {
        std::string target;
        std::vector<std::string> headers;
        int status;
    } cases[] = {
        {"/t/album/index/0", {}, 403},
        {"/t/album/index/0", withCookie, 200},
        {album.path + "/index/1", {}, 403},
        {album.path + "/index/1", withCookie, 200},
        {thumb, {}, 403},
        {thumb, {"Cookie: pvsid=41"}, 403},
        {thumb, withCookie, 200},
        {"/nobody/album/index/0", {}, 404},
    };
    for (const Case& c : cases)
        EXPECT_EQ(get(c.target, c.headers).status, c.status) << c.target;
    EXPECT_TRUE(get(thumb, withCookie).header("Set-Cookie").empty()) << "pictures set none";
    EXPECT_EQ(get("/t/album/index/0", withCookie).header("Set-Cookie"), "pvsid=42; Path=/");

    host->setCookie("", false);
    EXPECT_EQ(get(thumb).status, 200);
    EXPECT_TRUE(get("/t/album").header("Set-Cookie").empty());
}

TEST_F(FaultHost, RequestsAreRecordedAsSentWithTheirHeaders) {
    host->clearRequests();
    const std::string target = "/t/" + gbk("五页") + "?x=1";
    get(target, {"User-Agent: picvora-test", "Cookie: a=b"});
    get("/t/album");
    auto requests = host->requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, target);
    EXPECT_EQ(requests[0].header("user-agent"), "picvora-test");
    EXPECT_EQ(requests[0].header("Cookie"), "a=b");
    EXPECT_EQ(requests[1].target, "/t/album");
    host->clearRequests();
    EXPECT_TRUE(host->requests().empty());
}

TEST_F(FaultHost, KeepAliveServesSeveralRequestsOnOneConnection) {
    int fd = connectTo(host->port());
    ASSERT_GE(fd, 0);
    for (const PictureInfo& p : album.pictures) {
        ASSERT_TRUE(sendAll(fd, "GET " + p.thumbnailPath + " HTTP/1.1\r\nHost: x\r\n\r\n"));
        RawReply reply;
        readReply(fd, reply, 5000, false);
        ASSERT_TRUE(reply.complete()) << p.thumbnailPath;
        EXPECT_EQ(reply.body, host->contentAt(p.thumbnailPath));
    }
    ::close(fd);
}

TEST_F(FaultHost, SixtyFourConnectionsAtOnceLeaveRoomForMore) {
    host->addFault({"/busy", Fault::hang});
    std::vector<int> held;
    for (int i = 0; i < 64; ++i) {
        int fd = connectTo(host->port());
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(sendAll(fd, "GET /busy HTTP/1.1\r\nHost: x\r\n\r\n"));
        held.push_back(fd);
    }
    ASSERT_TRUE(host->waitForRequests(64, std::chrono::seconds(10)));
    RawReply reply = get("/t/album", {}, 5000);
    EXPECT_EQ(reply.status, 200) << "a 65th connection is still served";
    host->stop();
    for (int fd : held)
        ::close(fd);
}

} // namespace
} // namespace albumhost::test
