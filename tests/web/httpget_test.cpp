#include "web/httpget.h"

#include "support/httpcapture.h"
#include "web/cookiestore.h"
#include "web/httptransfer.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using namespace std::chrono_literals;
using test::HttpCapture;
using test::httpReply;
using test::parseRequest;
using test::ScriptedReply;

struct GetCase {
    const char* name;
    std::vector<std::string> replies;
    Bytes body;    // what httpGet returns
    Bytes sinkSaw; // what httpFetchTo hands on
    bool ok;
    long status;
};

class HttpGetReplies : public ::testing::TestWithParam<GetCase> {};

TEST_P(HttpGetReplies, ShowOnlyWholeSuccessfulBodies) {
    const GetCase& c = GetParam();
    for (bool fetchTo : {false, true}) {
        HttpCapture server;
        std::vector<ScriptedReply> script;
        for (const std::string& reply : c.replies)
            script.push_back({reply});
        server.script(script);
        const Text address = server.origin() + "/abpic/1.jpg";
        if (!fetchTo) {
            EXPECT_EQ(httpGet(address, 5s, 5s), c.body);
            continue;
        }
        Bytes seen;
        const TransferResult r = httpFetchTo(
            address,
            [&](const char* data, std::size_t n) {
                seen.append(data, n);
                return true;
            },
            5s, 5s);
        EXPECT_EQ(seen, c.sinkSaw);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.status, c.status);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpGetReplies,
    ::testing::Values(GetCase{"Ok", {httpReply(200, "jpeg")}, "jpeg", "jpeg", true, 200},
                      GetCase{"NotFound", {httpReply(404, "error page")}, "", "", false, 404},
                      GetCase{"CutOff",
                              {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhalf"},
                              "",
                              "half",
                              false,
                              200},
                      GetCase{"Redirected",
                              {httpReply(301, "moved", "Location: /pic/1.jpg\r\n"),
                               httpReply(200, "big")},
                              "big",
                              "big",
                              true,
                              200}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(HttpGet, SharesTheUserAgentCookiesAndEscaping) {
    cookieStore().clear();
    HttpCapture server;
    server.script({{httpReply(200, "a", "Set-Cookie: seen=1; Path=/\r\n")}, {httpReply(200, "b")}});
    cookieStore().setCookie("http://127.0.0.1", "/", "sid", "abc; path=/");
    EXPECT_EQ(httpGet(server.origin() + "/abpic/\xD5\xC5 1.jpg"), "a");
    EXPECT_EQ(httpGet(server.origin() + "/abpic/2.jpg"), "b");
    ASSERT_TRUE(server.waitForRequests(2, 5s));
    const auto first = parseRequest(server.requests()[0]);
    EXPECT_EQ(first.requestLine, "GET /abpic/%D5%C5%201.jpg HTTP/1.1");
    EXPECT_EQ(first.header("User-Agent"), userAgent);
    EXPECT_EQ(first.header("Cookie"), "sid=abc");
    EXPECT_EQ(parseRequest(server.requests()[1]).header("Cookie"), "sid=abc; seen=1");
    cookieStore().clear();
}

TEST(HttpGet, ASinkThatRefusesStopsTheTransfer) {
    HttpCapture server;
    server.script({{httpReply(200, std::string(1 << 20, 'x'))}});
    std::size_t calls = 0;
    const TransferResult r = httpFetchTo(server.origin() + "/big", [&](const char*, std::size_t) {
        ++calls;
        return false;
    });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(calls, 1u);
}

TEST(HttpGet, GivesUpAtTheTotalTimeOut) {
    HttpCapture server;
    server.setResponder([](const std::string&) { return ScriptedReply{{}, 0ms, true}; });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(httpGet(server.origin() + "/never", 5s, 1s), "");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 900ms); // libcurl's timer may fire a little early
    EXPECT_LT(took, 1500ms);
}

} // namespace
} // namespace pv
