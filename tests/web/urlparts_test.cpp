#include "web/urlparts.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

struct UrlCase {
    const char* address;
    const char* host;
    const char* hostWithPort;
    const char* path;
    std::int32_t port;
};

class UrlPartsTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlPartsTest, CutsHostPathAndPort) {
    const UrlCase& c = GetParam();
    EXPECT_EQ(urlHost(c.address), c.host);
    EXPECT_EQ(urlHost(c.address, 1), c.hostWithPort);
    EXPECT_EQ(urlPath(c.address), c.path);
    EXPECT_EQ(urlPort(c.address), c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, UrlPartsTest,
    ::testing::Values(
        UrlCase{"http://pics.example/a/b.jpg", "pics.example", "pics.example", "/a/b.jpg", 80},
        UrlCase{"http://Pics.Example:81/Dir/B.JPG", "pics.example", "pics.example:81", "/Dir/B.JPG",
                81},
        UrlCase{"http://pics.example", "pics.example", "pics.example", "/", 80},
        UrlCase{"http://pics.example:81", "pics.example", "pics.example:81", "/", 81},
        UrlCase{"http://pics.example/", "pics.example", "pics.example", "/", 80},
        UrlCase{"pics.example/a/b", "pics.example", "pics.example", "/a/b", 80},
        UrlCase{"pics.example", "pics.example", "pics.example", "/", 80},
        UrlCase{"http://pics.example/a?x=1/2", "pics.example", "pics.example", "/a?x=1/2", 80},
        UrlCase{"http://pics.example:/a", "pics.example", "pics.example:", "/a", 0},
        UrlCase{"http://pics.example:abc/a", "pics.example", "pics.example:abc", "/a", 0},
        UrlCase{"http://pics.example:81.9/a", "pics.example", "pics.example:81.9", "/a", 81},
        UrlCase{"HTTP://PICS.EXAMPLE/A", "http", "http:", "//PICS.EXAMPLE/A", 0},
        UrlCase{"https://pics.example/a", "https", "https:", "//pics.example/a", 0},
        UrlCase{"", "", "", "/", 80},
        // Beyond the table: the trail byte of a double-byte character ("A" here) keeps its
        // case, full-width port digits count as digits, and a port beyond 32 bits is none.
        UrlCase{"http://Pics\xB0\x41.example/a", "pics\xB0\x41.example", "pics\xB0\x41.example",
                "/a", 80},
        UrlCase{"http://pics.example:\xA3\xB8\xA3\xB1/a", "pics.example",
                "pics.example:\xA3\xB8\xA3\xB1", "/a", 81},
        UrlCase{"http://pics.example:99999999999/a", "pics.example", "pics.example:99999999999",
                "/a", 0}));

} // namespace
} // namespace pv
