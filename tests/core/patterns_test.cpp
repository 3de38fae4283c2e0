#include "core/appstate.h"
#include "core/patterns.h"

#include <gtest/gtest.h>
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
                             &s.pictureSourcePattern, &s.pictureSizePattern,
                             &s.pageSectionPattern})
        EXPECT_FALSE(p->empty());
    EXPECT_NE(s.workLock, nullptr);
    releaseApplicationState();
    EXPECT_FALSE(applicationStateExists());
    releaseApplicationState(); // a second release does nothing
}

} // namespace
} // namespace pv
