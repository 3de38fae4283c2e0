#include "web/webrequest.h"

#include "core/crew.h"
#include "support/httpcapture.h"
#include "support/testsupport.h"
#include "ui/qtwindowport.h"
#include "web/cookiestore.h"
#include "web/httptransfer.h"

#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace pv {
namespace {

using namespace std::chrono_literals;
using test::HttpCapture;
using test::httpReply;
using test::parseRequest;
using test::ScriptedReply;
using Lines = std::vector<std::string>;

const std::string accept = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                           "application/x-shockwave-flash, application/vnd.ms-excel, "
                           "application/vnd.ms-powerpoint, application/msword, */*";

class WebRequestTest : public ::testing::Test {
protected:
    void SetUp() override { cookieStore().clear(); }

    test::CapturedRequest request(std::size_t n = 0) {
        EXPECT_TRUE(server.waitForRequests(n + 1, 5s));
        const auto all = server.requests();
        return n < all.size() ? parseRequest(all[n]) : test::CapturedRequest{};
    }
    // The lines the library writes ahead of the caller's text, for a request to `server`.
    Lines leadingLines() const {
        return {"Host: 127.0.0.1:" + std::to_string(server.port()),
                std::string("User-Agent: ") + userAgent, "Cache-Control: no-cache",
                "Pragma: no-cache"};
    }
    static Lines tail(const Lines& lines, std::size_t from) {
        return from <= lines.size() ? Lines(lines.begin() + static_cast<long>(from), lines.end())
                                    : Lines{};
    }

    HttpCapture server;
};

TEST_F(WebRequestTest, PlainGetSendsExactlyTheDefaultLinesInOrder) {
    server.script({{httpReply(200, "hello")}});
    const Text address = server.origin() + "/a/b.html?x=1/2";
    EXPECT_EQ(webRequest(address), "hello");
    const auto r = request();
    EXPECT_EQ(r.requestLine, "GET /a/b.html?x=1/2 HTTP/1.1");
    Lines expected = leadingLines();
    expected.insert(expected.end(), {accept, "Referer: " + address, "Accept-Language: zh-cn"});
    EXPECT_EQ(r.headers, expected);
}

struct ExtraHeadersCase {
    const char* name;
    const char* extra;
    Lines after; // every line after the leading ones, in order
};

class ExtraHeaders : public WebRequestTest,
                     public ::testing::WithParamInterface<ExtraHeadersCase> {};

TEST_P(ExtraHeaders, DefaultsAreAppendedOnlyWhenMissing) {
    const ExtraHeadersCase& c = GetParam();
    const Text address = server.origin() + "/p";
    webRequest(address, {}, {}, {}, {}, c.extra);
    Lines expected;
    for (const std::string& line : c.after)
        expected.push_back(line == "<referer>" ? "Referer: " + address : line);
    EXPECT_EQ(tail(request().headers, leadingLines().size()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtraHeaders,
    ::testing::Values(
        ExtraHeadersCase{"LowerCaseAccept",
                         "accept: text/html\r\n",
                         {"accept: text/html", "<referer>", "Accept-Language: zh-cn"}},
        ExtraHeadersCase{"CallerRefererAndLanguage",
                         "Referer: http://elsewhere/\r\nACCEPT-LANGUAGE: en\r\n",
                         {"Referer: http://elsewhere/", "ACCEPT-LANGUAGE: en", accept}},
        // Without its last CR LF a caller's line still stands apart from the defaults.
        ExtraHeadersCase{"LastLineEndMissing",
                         "X-One: 1\r\nX-Two: 2",
                         {"X-One: 1", "X-Two: 2", accept, "<referer>", "Accept-Language: zh-cn"}},
        // Searched anywhere in the text, as the names are.
        ExtraHeadersCase{"NameInsideAnotherLine",
                         "X-Accept: none\r\n",
                         {"X-Accept: none", "<referer>", "Accept-Language: zh-cn"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(WebRequestTest, CallerCacheLinesReplaceTheNoCacheLines) {
    webRequest(server.origin() + "/p", {}, {}, {}, {}, "Cache-Control: max-age=0\r\n");
    const auto r = request();
    EXPECT_EQ(r.header("Cache-Control"), "max-age=0");
    EXPECT_EQ(r.header("Pragma"), "no-cache");
    EXPECT_EQ(std::count_if(r.headers.begin(), r.headers.end(),
                            [](const std::string& l) { return l.rfind("Cache-Control", 0) == 0; }),
              1);
}

struct MethodCase {
    const char* name;
    const char* method;
    const char* extra;
    const char* body;
    const char* requestLine;
    Lines last; // the last header lines on the wire
    const char* sentBody;
};

class Methods : public WebRequestTest, public ::testing::WithParamInterface<MethodCase> {};

TEST_P(Methods, GoOutAsWritten) {
    const MethodCase& c = GetParam();
    server.script({{httpReply(200, "done")}});
    const Text address = server.origin() + "/p";
    EXPECT_EQ(webRequest(address, c.method, {}, {}, {}, c.extra, c.body), "done");
    const auto r = request();
    EXPECT_EQ(r.requestLine, c.requestLine);
    Lines last;
    for (const std::string& line : c.last)
        last.push_back(line == "<referer>" ? "Referer: " + address : line);
    EXPECT_EQ(tail(r.headers, r.headers.size() - std::min(r.headers.size(), last.size())), last);
    EXPECT_EQ(r.body, c.sentBody);
    if (std::string(c.body).empty()) {
        EXPECT_EQ(r.header("Content-Length"), "");
        EXPECT_EQ(r.header("Content-Type"), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Methods,
    ::testing::Values(
        MethodCase{
            "LowerCaseGet", "get", "", "", "get /p HTTP/1.1", {"Accept-Language: zh-cn"}, ""},
        MethodCase{"PostWithBody",
                   "POST",
                   "",
                   "a=1",
                   "POST /p HTTP/1.1",
                   {accept, "<referer>", "Accept-Language: zh-cn",
                    "Content-Type: application/x-www-form-urlencoded", "Content-Length: 3"},
                   "a=1"},
        MethodCase{"PostWithEmptyBody",
                   "post",
                   "",
                   "",
                   "post /p HTTP/1.1",
                   {"Accept-Language: zh-cn"},
                   ""},
        MethodCase{"PostWithCallerContentType",
                   "Post",
                   "Content-Type: text/plain\r\n",
                   "xy",
                   "Post /p HTTP/1.1",
                   {"Accept-Language: zh-cn", "Content-Length: 2"},
                   "xy"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(WebRequestTest, OtherMethodsSendNothing) {
    for (const char* method : {"HEAD", "PUT", "GET ", "POSTS", "DELETE"}) {
        Text headers = "junk";
        EXPECT_EQ(webRequest(server.origin() + "/bad", method, {}, {}, {}, {}, {}, 0, &headers), "")
            << method;
        EXPECT_EQ(headers, "") << method;
    }
    webRequest(server.origin() + "/good");
    const auto r = request();
    EXPECT_EQ(r.requestLine, "GET /good HTTP/1.1");
    EXPECT_EQ(server.requests().size(), 1u);
}

struct ReplyCase {
    const char* name;
    std::string reply;
    Bytes body;
    Text headers;
};

class Replies : public WebRequestTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(Replies, GiveTheirBodyAndHeaders) {
    const ReplyCase& c = GetParam();
    server.script({{c.reply}});
    Text headers;
    EXPECT_EQ(webRequest(server.origin() + "/r", {}, {}, {}, {}, {}, {}, 5, &headers), c.body);
    EXPECT_EQ(headers, c.headers);
}

const std::string longHeader = "X-Long: " + std::string(1000, 'x') + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Replies,
    ::testing::Values(
        ReplyCase{"ErrorPage", httpReply(404, "not here"), "not here",
                  "HTTP/1.1 404 Scripted\r\nContent-Length: 8\r\n\r\n"},
        // The broken-off transfer keeps what was read.
        ReplyCase{"CutOffMidway",
                  "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'b'),
                  std::string(40, 'b'), "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"},
        ReplyCase{"BareLineFeeds", "HTTP/1.1 200 OK\nX-A: 1\n\nbody", "body",
                  "HTTP/1.1 200 OK\r\nX-A: 1\r\n\r\n"},
        ReplyCase{"HeadersOfExactly1023Bytes",
                  httpReply(200, "ok", "X-Fill: " + std::string(1023 - 60, 'f') + "\r\n"), "ok",
                  "HTTP/1.1 200 Scripted\r\nX-Fill: " + std::string(1023 - 60, 'f') +
                      "\r\nContent-Length: 2\r\n\r\n"},
        ReplyCase{"HeadersTooLong", httpReply(200, "ok", longHeader), "ok",
                  std::string(1024, ' ')}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(WebRequestTest, StoresSetCookieLinesAndSendsThemBack) {
    server.script(
        {{httpReply(200, "in", "Set-Cookie: sid=abc; path=/\r\nSet-Cookie: flag\r\n" + longHeader)},
         {httpReply(200, "again")}});
    EXPECT_EQ(webRequest(server.origin() + "/login"), "in");
    // Under the lower-case host, without the port. Stored although the headers text was
    // too long to report: the store sees every line, as a browser's would.
    const auto cookies = cookieStore().cookies("http://127.0.0.1");
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0].name, "sid");
    EXPECT_EQ(cookies[0].value, "abc");
    EXPECT_EQ(cookies[1].name, "");
    EXPECT_EQ(cookies[1].value, "flag");

    EXPECT_EQ(webRequest(server.origin() + "/album"), "again");
    const auto r = request(1);
    Lines expected = leadingLines();
    expected.push_back("Cookie: sid=abc; flag");
    EXPECT_EQ(Lines(r.headers.begin(), r.headers.begin() + static_cast<long>(expected.size())),
              expected);
}

TEST_F(WebRequestTest, FollowsRedirectsWithTheirCookies) {
    server.script({{httpReply(302, "moved", "Location: next?x=1\r\nSet-Cookie: r=1\r\n")},
                   {httpReply(200, "final")}});
    Text headers;
    EXPECT_EQ(webRequest(server.origin() + "/dir/start", {}, {}, {}, {}, {}, {}, 5, &headers),
              "final");
    EXPECT_EQ(headers, "HTTP/1.1 200 Scripted\r\nContent-Length: 5\r\n\r\n");
    const auto second = request(1);
    EXPECT_EQ(second.requestLine, "GET /dir/next?x=1 HTTP/1.1");
    EXPECT_EQ(second.header("Cookie"), "r=1");
}

struct RedirectCase {
    int status;
    const char* requestLine;
    const char* body;
};

class PostRedirects : public WebRequestTest, public ::testing::WithParamInterface<RedirectCase> {};

TEST_P(PostRedirects, ChangeTheMethodAsBrowsersDo) {
    const RedirectCase& c = GetParam();
    server.script({{httpReply(c.status, "", "Location: /done\r\n")}, {httpReply(200, "ok")}});
    EXPECT_EQ(webRequest(server.origin() + "/form", "POST", {}, {}, {}, {}, "a=1"), "ok");
    const auto second = request(1);
    EXPECT_EQ(second.requestLine, c.requestLine);
    EXPECT_EQ(second.body, c.body);
}

INSTANTIATE_TEST_SUITE_P(Cases, PostRedirects,
                         ::testing::Values(RedirectCase{302, "GET /done HTTP/1.1", ""},
                                           RedirectCase{303, "GET /done HTTP/1.1", ""},
                                           RedirectCase{307, "POST /done HTTP/1.1", "a=1"}));

TEST_F(WebRequestTest, BlankProxyConnectsDirectly) {
    // Not even the proxy of the environment may be used.
    setenv("http_proxy", "http://127.0.0.1:9", 1);
    for (const char* proxy : {"   ", "\xA1\xA1 \xA1\xA1", ""}) {
        webRequest(server.origin() + "/direct", {}, proxy);
    }
    unsetenv("http_proxy");
    ASSERT_TRUE(server.waitForRequests(3, 5s));
    for (const std::string& raw : server.requests())
        EXPECT_EQ(parseRequest(raw).requestLine, "GET /direct HTTP/1.1");
}

TEST_F(WebRequestTest, ProxyGetsTheAbsoluteAddress) {
    server.script({{httpReply(200, "via proxy")}, {httpReply(200, "again")}});
    // The target host does not exist: only the proxy is ever reached. no_proxy must not
    // take the proxy away.
    setenv("no_proxy", "*", 1);
    const Text proxy = "127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(webRequest("http://pics.example:81/a/b?x=1", {}, proxy), "via proxy");
    EXPECT_EQ(webRequest("http://pics.example/c", {}, proxy), "again");
    unsetenv("no_proxy");
    const auto first = request(0);
    EXPECT_EQ(first.requestLine, "GET http://pics.example:81/a/b?x=1 HTTP/1.1");
    EXPECT_EQ(first.header("Host"), "pics.example:81");
    EXPECT_EQ(first.header("Referer"), "http://pics.example:81/a/b?x=1");
    EXPECT_EQ(request(1).requestLine, "GET http://pics.example/c HTTP/1.1");
}

TEST_F(WebRequestTest, SignsOnWhenTheServerAsks) {
    const ScriptedReply challenge{
        httpReply(401, "who?", "WWW-Authenticate: Basic realm=\"album\"\r\n")};
    server.script({challenge, {httpReply(200, "welcome")}, challenge});
    EXPECT_EQ(webRequest(server.origin() + "/private", {}, {}, "user", "p w"), "welcome");
    EXPECT_EQ(request(0).header("Authorization"), "");
    EXPECT_EQ(request(1).header("Authorization"), "Basic dXNlcjpwIHc="); // user:p w

    // A blank user name is none: the challenge goes unanswered.
    EXPECT_EQ(webRequest(server.origin() + "/private", {}, {}, " \xA1\xA1", "secret"), "who?");
    EXPECT_EQ(request(2).header("Authorization"), "");
    EXPECT_FALSE(server.waitForRequests(4, 200ms));
}

TEST_F(WebRequestTest, AddressBytesCannotBreakTheRequest) {
    // A user name with a space, CR LF and GBK bytes, as the album index address gets it.
    const Text address = server.origin() + "/a b\r\nX-Injected: 1\xD5\xC5\x7F%41/album";
    webRequest(address);
    const auto r = request();
    EXPECT_EQ(r.requestLine, "GET /a%20b%0D%0AX-Injected:%201%D5%C5%7F%41/album HTTP/1.1");
    EXPECT_EQ(r.header("X-Injected"), "");
    EXPECT_EQ(r.header("Referer"), escapeRequestTarget(address));
    EXPECT_EQ(r.headers.size(), leadingLines().size() + 3);
}

TEST(RequestTarget, EscapesOnlyWhatCannotStandRaw) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    const Text escaped = escapeRequestTarget(all);
    std::string expected;
    for (int c = 0; c < 256; ++c) {
        if (c <= 0x20 || c >= 0x7F) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            expected += hex;
        } else {
            expected.push_back(static_cast<char>(c));
        }
    }
    EXPECT_EQ(escaped, expected);
}

// How long webRequest took against a server that never answers, with a time-out of 1 s.
template <typename Call> std::chrono::milliseconds timed(Call call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

TEST_F(WebRequestTest, TimeOutIsOneDeadlineEvenWhileEventsKeepComing) {
    server.setResponder([](const std::string&) { return ScriptedReply{{}, 0ms, true}; });
    QueuePort port;
    setWindowPort(&port);
    // A user moving the mouse: an event every few milliseconds for the whole wait.
    std::atomic<bool> stop{false};
    std::atomic<int> served{0};
    std::thread mouse([&] {
        while (!stop) {
            port.post([&] { ++served; });
            std::this_thread::sleep_for(5ms);
        }
    });
    Bytes result = "junk";
    const auto took =
        timed([&] { result = webRequest(server.origin() + "/never", {}, {}, {}, {}, {}, {}, 1); });
    stop = true;
    mouse.join();
    setWindowPort(nullptr);
    EXPECT_EQ(result, "");
    EXPECT_GE(took, 1000ms);
    EXPECT_LT(took, 1300ms);
    EXPECT_GT(served.load(), 50); // the window thread kept serving events while it waited
}

// On the real event loop: the reply must end the wait at once (the wait itself would last
// the whole 90 s), timers keep firing meanwhile, and a dead server still ends at the deadline.
TEST_F(WebRequestTest, OnTheQtEventLoop) {
    QtWindowPort port(nullptr, nullptr);
    setWindowPort(&port);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    server.script({{httpReply(200, "quick"), 300ms}, {{}, 0ms, true}});
    const auto quick = timed([&] { EXPECT_EQ(webRequest(server.origin() + "/q"), "quick"); });
    EXPECT_LT(quick, 1000ms);
    EXPECT_GT(ticks, 10);
    const auto dead = timed(
        [&] { EXPECT_EQ(webRequest(server.origin() + "/d", {}, {}, {}, {}, {}, {}, 1), ""); });
    EXPECT_GE(dead, 1000ms);
    EXPECT_LT(dead, 1300ms);
    setWindowPort(nullptr);
}

TEST_F(WebRequestTest, TimeOutOnAWorkerThread) {
    server.setResponder([](const std::string&) { return ScriptedReply{{}, 0ms, true}; });
    Bytes result = "junk";
    std::chrono::milliseconds took{};
    std::thread worker([&] {
        took = timed(
            [&] { result = webRequest(server.origin() + "/never", {}, {}, {}, {}, {}, {}, 1); });
    });
    worker.join();
    EXPECT_EQ(result, "");
    EXPECT_GE(took, 1000ms);
    EXPECT_LT(took, 1300ms);
}

TEST_F(WebRequestTest, ALateReplyIsNeverUsed) {
    server.script({{httpReply(200, "late"), 1500ms}, {httpReply(200, "fresh")}});
    EXPECT_EQ(webRequest(server.origin() + "/slow", {}, {}, {}, {}, {}, {}, 1), "");
    // The abandoned exchange gets its reply while the next one runs; each keeps its own.
    EXPECT_EQ(webRequest(server.origin() + "/next"), "fresh");
    EXPECT_TRUE(server.waitForReplies(2, 3s));
    std::this_thread::sleep_for(100ms); // let the abandoned worker finish under the sanitizers
}

TEST_F(WebRequestTest, NoTimeOutMeansMoreThanASecond) {
    server.script({{httpReply(200, "patience"), 1200ms}});
    EXPECT_EQ(webRequest(server.origin() + "/slow"), "patience");
}

// Page workers fetch from crew threads, several exchanges at once.
std::atomic<int> pageFailures{0};
std::string pageOrigin;
constexpr int pageCount = 40;

void pageWorker() {
    CrewShift shift;
    while (int n = shift.take(pageCount)) {
        const Bytes body = webRequest(pageOrigin + "/index/" + std::to_string(n - 1));
        if (body != "page " + std::to_string(n - 1))
            ++pageFailures;
    }
}

class CrewRequests : public test::StateFixture {};

TEST_F(CrewRequests, EveryPageArrivesOnce) {
    HttpCapture server;
    server.setResponder([](const std::string& raw) {
        const std::string line = parseRequest(raw).requestLine;
        const std::string page = line.substr(11, line.find(' ', 4) - 11); // "GET /index/N"
        return ScriptedReply{httpReply(200, "page " + page)};
    });
    cookieStore().clear();
    pageOrigin = server.origin();
    pageFailures = 0;
    ASSERT_TRUE(runCrew(&pageWorker));
    EXPECT_EQ(pageFailures.load(), 0);
    EXPECT_EQ(server.requests().size(), static_cast<std::size_t>(pageCount));
}

} // namespace
} // namespace pv
