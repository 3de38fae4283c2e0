#include "core/patterns.h"

#include <exception>

namespace pv {

Pattern compilePattern(const char* text) {
    // perl | icase; mod_s makes "." match CR and LF, as the listings need.
    return Pattern(text, boost::regex_constants::perl | boost::regex_constants::icase |
                             boost::regex_constants::mod_s);
}

MatchList searchAll(const Pattern& pattern, const Text& text) {
    MatchList result;
    if (text.empty() || pattern.empty())
        return result;
    const char* const base = text.data();
    const char* const end = base + text.size();
    const char* from = base;
    try {
        for (;;) {
            boost::cmatch m;
            // Each search treats `from` as the start of the text: no look-behind past it.
            if (!boost::regex_search(from, end, m, pattern, boost::match_default))
                break;
            const char* matchBegin = m[0].first;
            const char* matchEnd = m[0].second;
            result.push_back({static_cast<std::size_t>(matchBegin - base),
                              static_cast<std::size_t>(matchEnd - matchBegin)});
            if (matchEnd == from)
                break; // an empty match at the very start would never move on
            from = matchEnd;
        }
    } catch (const std::exception&) {
        // Complexity or memory limits: keep what was found.
    }
    return result;
}

Text matchText(const Match& match, const Text& text) {
    if (match.length == 0 || match.offset >= text.size())
        return {};
    return text.substr(match.offset, match.length);
}

} // namespace pv
