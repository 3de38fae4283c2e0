#include "web/cookiestore.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using Clock = CookieStore::Clock;
using std::chrono::hours;
using std::chrono::seconds;

// 2030-01-01 00:00:00 UTC: a fixed "now" for the expiry cases.
const Clock::time_point now = Clock::from_time_t(1893456000);

TEST(CookieStore, SplitsSetCookieLinesAtTheFirstEquals) {
    CookieStore store;
    EXPECT_TRUE(store.storeHeaderLine("pics.example", "/a/b", "Set-Cookie: sid=a=b; path=/", now));
    EXPECT_TRUE(store.storeHeaderLine("pics.example", "/a/b", "set-cookie: flag\r\n", now));
    EXPECT_FALSE(store.storeHeaderLine("pics.example", "/a/b", "X-Set-Cookie: no=1", now));
    EXPECT_FALSE(store.storeHeaderLine("pics.example", "/a/b", "Content-Type: text/html", now));

    const auto cookies = store.cookies("http://pics.example", now);
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0].name, "sid");
    EXPECT_EQ(cookies[0].value, "a=b");
    EXPECT_EQ(cookies[0].path, "/");
    EXPECT_EQ(cookies[1].name, "");
    EXPECT_EQ(cookies[1].value, "flag");
    EXPECT_EQ(cookies[1].path, "/a"); // the directory of the request path
    // The longer path goes first.
    EXPECT_EQ(store.cookieHeader("http://pics.example", "/a/c", now), "flag; sid=a=b");
}

TEST(CookieStore, KeepsSitesApartAndIgnoresPortAndCase) {
    CookieStore store;
    store.storeHeaderLine("Pics.Example", "/", "Set-Cookie: a=1", now);
    EXPECT_EQ(cookieSite("Pics.Example"), "http://pics.example");
    EXPECT_EQ(store.cookieHeader("http://pics.example", "/", now), "a=1");
    EXPECT_EQ(store.cookieHeader("http://other.example", "/", now), "");
}

TEST(CookieStore, ALaterCookieReplacesTheSameNameAndPath) {
    CookieStore store;
    store.setCookie("http://h", "/", "a", "1; path=/", now);
    store.setCookie("http://h", "/", "b", "2; path=/", now);
    store.setCookie("http://h", "/", "a", "3; path=/", now);
    store.setCookie("http://h", "/", "a", "4; path=/x", now);
    EXPECT_EQ(store.cookieHeader("http://h", "/x/y", now), "a=4; a=3; b=2");
}

struct ExpiryCase {
    const char* name;
    const char* data;
    bool liveNow;
    bool liveInTwoHours;
};

class CookieExpiry : public ::testing::TestWithParam<ExpiryCase> {};

TEST_P(CookieExpiry, IsHonoured) {
    const ExpiryCase& c = GetParam();
    CookieStore store;
    store.setCookie("http://h", "/", "k", c.data, now);
    EXPECT_EQ(store.cookieHeader("http://h", "/", now) == "k=v", c.liveNow);
    EXPECT_EQ(store.cookieHeader("http://h", "/", now + hours(2)) == "k=v", c.liveInTwoHours);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookieExpiry,
    ::testing::Values(
        ExpiryCase{"Session", "v", true, true},
        ExpiryCase{"ExpiresLater", "v; Expires=Tue, 01 Jan 2030 01:00:00 GMT", true, false},
        ExpiryCase{"ExpiresOldStyle", "v; expires=Tuesday, 01-Jan-30 03:00:00 GMT", true, true},
        ExpiryCase{"ExpiredAlready", "v; Expires=Thu, 01 Jan 1970 00:00:00 GMT", false, false},
        ExpiryCase{"MaxAge", "v; Max-Age=3600", true, false},
        ExpiryCase{"MaxAgeZero", "v; Max-Age=0", false, false},
        ExpiryCase{"MaxAgeWinsOverExpires",
                   "v; Max-Age=3600; Expires=Wed, 01 Jan 2031 00:00:00 GMT", true, false},
        ExpiryCase{"BadDateIsSession", "v; Expires=someday", true, true},
        ExpiryCase{"BadMaxAgeIsIgnored", "v; Max-Age=1h", true, true}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CookieStore, AnExpiredCookieRemovesTheStoredOne) {
    CookieStore store;
    store.setCookie("http://h", "/", "k", "v; path=/", now);
    store.setCookie("http://h", "/", "k", "gone; path=/; Max-Age=0", now);
    EXPECT_TRUE(store.cookies("http://h", now).empty());
}

struct PathCase {
    const char* cookiePath;
    const char* requestPath;
    bool sent;
};

class CookiePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(CookiePath, MatchesAsABrowserDoes) {
    const PathCase& c = GetParam();
    CookieStore store;
    store.setCookie("http://h", "/", "k", Text("v; Path=") + c.cookiePath, now);
    EXPECT_EQ(store.cookieHeader("http://h", c.requestPath, now) == "k=v", c.sent)
        << c.cookiePath << " for " << c.requestPath;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookiePath,
    ::testing::Values(PathCase{"/", "/anything", true}, PathCase{"/album", "/album", true},
                      PathCase{"/album", "/album/2", true}, PathCase{"/album", "/album?x=1", true},
                      PathCase{"/album", "/albums", false}, PathCase{"/album/", "/album/2", true},
                      PathCase{"/album/", "/album", false}, PathCase{"/album", "/", false},
                      PathCase{"/Album", "/album", false}));

} // namespace
} // namespace pv
