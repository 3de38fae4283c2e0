#include "core/appstate.h"
#include "core/patterns.h"

#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <thread>

namespace pv {
namespace {

std::vector<Text> texts(const Pattern& p, const Text& t) {
    std::vector<Text> out;
    for (const auto& m : searchAll(p, t))
        out.push_back(matchText(m, t));
    return out;
}

TEST(SearchAll, FieldValues) {
    const Pattern name = compilePattern(patterns::name);
    struct Case {
        const char* what;
        Text text;
        std::vector<Text> values;
    } cases[] = {
        {"three values, one empty", R"(pname:"a",pname:"",pname:"b")", {"a", "", "b"}},
        {"key in capitals", R"(PNAME:"sea")", {"sea"}},
        {"value across a line break", "pname:\"a\r\nb\"", {"a\r\nb"}},
        {"empty text", "", {}},
        {"no closing quote", R"(pname:"open)", {}},
        {"other keys ignored", R"(psrc:"x",pname:"y")", {"y"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(texts(name, c.text), c.values) << c.what;
}

TEST(SearchAll, PageSections) {
    const Pattern section = compilePattern(patterns::pageSection);
    EXPECT_EQ(texts(section, R"(<div id="forimgs">one</div><div id="forimgs">two</div>)"),
              (std::vector<Text>{">one<", ">two<"}));
    // A second forimgs attribute before the first closing div lies inside the first match.
    EXPECT_EQ(texts(section, R"(<div id="forimgs">a<p id="forimgs">b</div>)"),
              (std::vector<Text>{">a<p id=\"forimgs\">b<"}));
    EXPECT_EQ(texts(section, R"(<DIV ID="FORIMGS">x</DIV>)"), (std::vector<Text>{">x<"}));
}

TEST(SearchAll, MatchesRecordOffsets) {
    const Pattern name = compilePattern(patterns::name);
    const Text t = R"(..pname:"ab"..)";
    const auto ms = searchAll(name, t);
    ASSERT_EQ(ms.size(), 1u);
    EXPECT_EQ(ms[0].offset, 9u);
    EXPECT_EQ(ms[0].length, 2u);
    EXPECT_EQ(matchText(Match{3, 0}, t), "");
}

TEST(SearchAll, AbandonedSearchKeepsEarlierMatches) {
    // A pattern that makes the engine give up on long input after a first quick match.
    const Pattern hard("(?<=x)(a|aa)+?(?=y)|(a*)*b", boost::regex::perl);
    Text t = "xay" + std::string(30000, 'a');
    const auto ms = searchAll(hard, t);
    ASSERT_GE(ms.size(), 1u);
    EXPECT_EQ(matchText(ms[0], t), "a");
}

TEST(SearchAll, OnePatternSharedByManyThreads) {
    const Pattern name = compilePattern(patterns::name);
    Text t;
    for (int i = 0; i < 500; ++i)
        t += "pname:\"" + std::to_string(i) + "\",";
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int k = 0; k < 8; ++k)
        threads.emplace_back([&] {
            for (int r = 0; r < 20; ++r) {
                auto v = texts(name, t);
                if (v.size() != 500 || v[499] != "499")
                    ++wrong;
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ApplicationState, StartsEmptyAndCompilesSixPatterns) {
    releaseApplicationState();
    createApplicationState();
    ApplicationState& s = appState();
    EXPECT_TRUE(s.pictureUrls.empty());
    EXPECT_TRUE(s.albumNames.empty());
    EXPECT_EQ(s.busy, 0);
    EXPECT_EQ(s.currentCell, 0);
    EXPECT_EQ(s.galleryScrollSpan, 0);
    EXPECT_TRUE(s.namePattern.empty());
    compilePatternsAndCreateLock();
    for (const Pattern* p : {&s.albumUrlPattern, &s.namePattern, &s.albumCountPattern,
                             &s.pictureSourcePattern, &s.pictureSizePattern, &s.pageSectionPattern})
        EXPECT_FALSE(p->empty());
    EXPECT_NE(s.workLock, nullptr);
    releaseApplicationState();
    EXPECT_FALSE(applicationStateExists());
    releaseApplicationState(); // a second release does nothing
}

} // namespace
} // namespace pv

namespace pv {
namespace {

bool sameMatches(const MatchList& a, const MatchList& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].offset != b[i].offset || a[i].length != b[i].length)
            return false;
    return true;
}

// The short cut past positions where no look-behind can hold finds exactly what trying
// every position finds, over texts made of the pieces that matter.
TEST(SearchAll, ShortCutFindsWhatEveryPositionFinds) {
    const char* pieces[] = {"psrc:\"",
                            "PSRC:\"",
                            "pSrC:\"",
                            "psize:\"",
                            "pname:\"",
                            "purl:\"",
                            "pnum:\"",
                            "id=\"forimgs\"",
                            "ID=\"FORIMGS\"",
                            "/div",
                            "/DIV",
                            "\"",
                            "p",
                            "psrc",
                            ":",
                            "\r\n",
                            "\xD6\xD0",
                            "\xA1",
                            std::string(1, '\0').c_str(),
                            "x",
                            "abc",
                            "pname:\"\"",
                            "psrc:\"psrc:\""};
    const Pattern all[] = {
        compilePattern(patterns::albumUrl),    compilePattern(patterns::name),
        compilePattern(patterns::albumCount),  compilePattern(patterns::pictureSource),
        compilePattern(patterns::pictureSize), compilePattern(patterns::pageSection)};
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        Text text;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            const std::size_t k = random() % std::size(pieces);
            text += k == 18 ? std::string(1, '\0') : std::string(pieces[k]);
        }
        for (const Pattern& p : all)
            ASSERT_TRUE(sameMatches(searchAll(p, text), detail::searchEveryPosition(p, text)))
                << "round " << round << " pattern " << p.str();
    }
}

TEST(SearchAll, PatternsWithoutALiteralLookBehindTakeTheLongWay) {
    const Pattern plain = compilePattern("a.");
    const Text t = "xaybaz";
    EXPECT_TRUE(sameMatches(searchAll(plain, t), detail::searchEveryPosition(plain, t)));
    EXPECT_EQ(searchAll(plain, t).size(), 2u);
    const Pattern classy = compilePattern(R"((?<=\d)x)");
    EXPECT_EQ(searchAll(classy, "1x2xax").size(), 2u);
    // The look-behind binds only the first alternative: "b" needs no "x" before it.
    for (const char* expression : {"(?<=x)a|b", "(?<=x)(?:a)|b", "(?<=x)[|]a"}) {
        const Pattern alternatives = compilePattern(expression);
        for (const Text& text : {Text("bxab"), Text("xa|ab"), Text("b")})
            EXPECT_TRUE(sameMatches(searchAll(alternatives, text),
                                    detail::searchEveryPosition(alternatives, text)))
                << expression << " over " << text;
    }
    EXPECT_EQ(searchAll(compilePattern("(?<=x)a|b"), "bxab").size(), 3u);
}

} // namespace
} // namespace pv
