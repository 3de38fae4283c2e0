#include "web/exchangerecord.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pv {
namespace {

using namespace std::string_literals;

TEST(ExchangeRecord, WritesItemsBackToBack) {
    ExchangeRecord r;
    r.writeText("Tarnfee");
    r.writeText("");
    r.writeText("cut\0off"s); // a text ends at its zero byte
    r.writeBytes("a\0b"s);
    r.writeBytes("");
    EXPECT_EQ(r.content(), "Tarnfee\0\0cut\0\x03\0\0\0a\0b\0\0\0\0"s);

    Text tag, empty, cut;
    Bytes bytes, none = "junk";
    r.rewind();
    ASSERT_TRUE(
        r.read({ExchangeRecord::text(tag), ExchangeRecord::text(empty), ExchangeRecord::text(cut),
                ExchangeRecord::bytes(bytes), ExchangeRecord::bytes(none)}));
    EXPECT_EQ(tag, "Tarnfee");
    EXPECT_EQ(empty, "");
    EXPECT_EQ(cut, "cut");
    EXPECT_EQ(bytes, "a\0b"s);
    EXPECT_EQ(none, "");
    EXPECT_EQ(r.position(), r.content().size());
}

TEST(ExchangeRecord, EmptiedRecordIsWrittenFromItsStart) {
    ExchangeRecord r;
    r.writeText("Tarnfee");
    r.writeText("http://pics.example/");
    r.clear();
    r.writeText("Tarnfee_OK");
    EXPECT_EQ(r.content(), "Tarnfee_OK\0"s);
}

// One read of several items over a given content. 't' reads a text, 'b' bytes; every
// target starts as "junk" so that emptied items show.
struct ReadCase {
    const char* name;
    std::string content;
    std::size_t startAt;
    std::string kinds;
    bool ok;
    std::vector<std::string> values;
    std::size_t positionAfter;
};

class ExchangeRecordRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ExchangeRecordRead, FollowsTheReadRules) {
    const ReadCase& c = GetParam();
    ExchangeRecord r(c.content);
    if (c.startAt) {
        std::vector<Text> skip(c.startAt);
        for (Text& s : skip)
            ASSERT_TRUE(r.read({ExchangeRecord::text(s)}));
    }
    const std::size_t before = r.position();
    std::vector<std::string> values(c.kinds.size(), "junk");
    bool ok = true;
    // initializer_list needs a fixed count: the cases read one to three items.
    auto item = [&](std::size_t i) {
        return c.kinds[i] == 't' ? ExchangeRecord::text(values[i])
                                 : ExchangeRecord::bytes(values[i]);
    };
    switch (c.kinds.size()) {
    case 1:
        ok = r.read({item(0)});
        break;
    case 2:
        ok = r.read({item(0), item(1)});
        break;
    default:
        ok = r.read({item(0), item(1), item(2)});
        break;
    }
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(values, c.values);
    EXPECT_EQ(r.position(), c.ok ? c.positionAfter : before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExchangeRecordRead,
    ::testing::Values(
        ReadCase{"TextWithoutZeroRunsToTheEnd", "abc", 0, "t", true, {"abc"}, 3},
        ReadCase{"TextAtTheEndFails", "abc\0"s, 1, "t", false, {""}, 0},
        ReadCase{"EmptyRecordFails", "", 0, "t", false, {""}, 0},
        ReadCase{"BytesPastTheEndFail", "\x05\0\0\0abc"s, 0, "b", false, {""}, 0},
        ReadCase{"ShortLengthFails", "\x01\0"s, 0, "b", false, {""}, 0},
        ReadCase{"ReplyReadsWhole",
                 "Tarnfee_OK\0H\0\x02\0\0\0ok"s,
                 0,
                 "ttb",
                 true,
                 {"Tarnfee_OK", "H", "ok"},
                 19},
        // A failing item keeps what came before it, empties itself and what follows, and
        // puts the position back to where the read began.
        ReadCase{"StopsAtFirstFailure",
                 "Tarnfee_OK\0H\0\x09\0\0\0ok"s,
                 0,
                 "ttb",
                 false,
                 {"Tarnfee_OK", "H", ""},
                 0},
        ReadCase{"LaterItemsStayEmpty", "tag\0"s, 0, "ttb", false, {"tag", "", ""}, 0},
        ReadCase{"GoesBackToItsOwnStart", "skip\0one\0"s, 1, "tt", false, {"one", ""}, 0}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace pv
