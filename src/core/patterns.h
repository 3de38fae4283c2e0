// The six extraction patterns and the two search operations the listings rely on.
#pragma once

#include "core/text.h"

#include <boost/regex.hpp>
#include <cstddef>
#include <vector>

namespace pv {

// Where a match lies in the text that was searched; it does not hold the text itself.
struct Match {
    std::size_t offset = 0;
    std::size_t length = 0;
};
using MatchList = std::vector<Match>;
using Pattern = boost::regex;

namespace patterns {
inline constexpr const char* albumUrl = R"((?<=purl\:").*?(?="))";
inline constexpr const char* name = R"((?<=pname\:").*?(?="))";
inline constexpr const char* albumCount = R"((?<=pnum\:").*?(?="))";
inline constexpr const char* pictureSource = R"((?<=psrc\:").*?(?="))";
inline constexpr const char* pictureSize = R"((?<=psize\:").*?(?="))";
inline constexpr const char* pageSection = R"((?<=id\="forimgs").*?(?=\/div))";
} // namespace patterns

// Perl syntax, case-insensitive; "." matches line breaks too.
Pattern compilePattern(const char* text);

// Every match in text order. Each search runs over the rest of the text behind the last
// match, as if that were the start (a look-behind cannot see past it). An abandoned search
// (the engine gives up on complexity or memory) yields the matches found so far.
MatchList searchAll(const Pattern& pattern, const Text& text);
Text matchText(const Match& match, const Text& text);

namespace detail {
// searchAll without its short cut for patterns that start with a literal look-behind: the
// engine tries every position. Kept for the tests that hold the two to the same result.
MatchList searchEveryPosition(const Pattern& pattern, const Text& text);
} // namespace detail

} // namespace pv
