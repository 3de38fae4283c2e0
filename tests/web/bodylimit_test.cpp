#include "support/httpcapture.h"
#include "web/webrequest.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

// A body past 256 MiB is cut off there, keeping memory bounded and the exchange record's
// 32-bit length exact.
TEST(WebRequestBody, CutOffAtTheLimit) {
    test::HttpCapture server;
    const std::size_t limit = std::size_t{256} << 20;
    const std::string body(limit + (8u << 20), 'y');
    server.setResponder([&](const std::string&) {
        return test::ScriptedReply{test::httpReply(200, body), {}, false};
    });
    const Bytes got = webRequest(server.origin() + "/big", {}, {}, {}, {}, {}, {}, 60);
    EXPECT_EQ(got.size(), limit);
    EXPECT_EQ(got.find_first_not_of('y'), Bytes::npos);
}

} // namespace
} // namespace pv
