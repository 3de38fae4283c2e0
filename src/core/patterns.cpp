#include "core/patterns.h"

#include <cstring>
#include <exception>

namespace pv {

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `expression` has a "|" outside every group and class: the alternatives after it
// would not be bound by a leading look-behind.
bool hasTopLevelAlternation(const std::string& expression) {
    int depth = 0;
    bool inClass = false;
    for (std::size_t i = 0; i < expression.size(); ++i) {
        const char c = expression[i];
        if (c == '\\') {
            ++i;
        } else if (inClass) {
            inClass = c != ']';
        } else if (c == '[') {
            inClass = true;
            if (i + 1 < expression.size() && expression[i + 1] == ']')
                ++i; // a "]" first in a class is a member
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == '|' && depth == 0) {
            return true;
        }
    }
    return false;
}

// The literal text that a pattern's leading look-behind asks for ("psrc:\"" for
// (?<=psrc\:")), or empty when the pattern does not start with a plain literal one.
std::string leadingLookBehind(const std::string& expression) {
    if (expression.rfind("(?<=", 0) != 0 || hasTopLevelAlternation(expression))
        return {};
    std::string literal;
    for (std::size_t i = 4; i < expression.size(); ++i) {
        const char c = expression[i];
        if (c == ')')
            return literal;
        if (c == '\\') {
            if (i + 1 >= expression.size())
                return {};
            const char next = expression[++i];
            const bool escapedPunctuation =
                (next >= 0x21 && next <= 0x2F) || (next >= 0x3A && next <= 0x40) ||
                (next >= 0x5B && next <= 0x60) || (next >= 0x7B && next <= 0x7E);
            if (!escapedPunctuation)
                return {}; // \d, \w, \1 and the like are no literal
            literal += next;
            continue;
        }
        if (std::strchr(".[]{}()*+?|^$", c) || static_cast<unsigned char>(c) >= 0x80)
            return {};
        literal += c;
    }
    return {};
}

// The first occurrence of `literal` in [from, end), ASCII letters folded when asked.
const char* findLiteral(const char* from, const char* end, const std::string& literal,
                        bool ignoreCase) {
    const std::size_t n = literal.size();
    if (static_cast<std::size_t>(end - from) < n)
        return nullptr;
    const char first = asciiLower(literal[0]);
    const bool firstIsLetter = first >= 'a' && first <= 'z';
    for (const char* p = from; p + n <= end; ++p) {
        if (ignoreCase && firstIsLetter) {
            // Step to the next byte that can begin the literal in either case.
            while (p + n <= end && asciiLower(*p) != first)
                ++p;
            if (p + n > end)
                return nullptr;
        } else {
            const void* hit = std::memchr(p, literal[0], static_cast<std::size_t>(end - p));
            if (!hit)
                return nullptr;
            p = static_cast<const char*>(hit);
            if (p + n > end)
                return nullptr;
        }
        std::size_t i = 1;
        while (i < n &&
               (ignoreCase ? asciiLower(p[i]) == asciiLower(literal[i]) : p[i] == literal[i]))
            ++i;
        if (i == n)
            return p;
    }
    return nullptr;
}

} // namespace

Pattern compilePattern(const char* text) {
    // perl | icase; mod_s makes "." match CR and LF, as the listings need.
    return Pattern(text, boost::regex_constants::perl | boost::regex_constants::icase |
                             boost::regex_constants::mod_s);
}

MatchList searchAll(const Pattern& pattern, const Text& text) {
    if (text.empty() || pattern.empty())
        return {};
    const std::string literal = leadingLookBehind(pattern.str());
    if (literal.empty())
        return detail::searchEveryPosition(pattern, text);
    // A match can only begin right behind an occurrence of the look-behind's literal that
    // lies wholly after the restart point, so only those places are tried; the engine, with
    // the literal in view, then decides exactly as it would on its own.
    const bool ignoreCase = (pattern.flags() & boost::regex_constants::icase) != 0;
    MatchList result;
    const char* const base = text.data();
    const char* const end = base + text.size();
    const char* from = base;
    try {
        while (const char* at = findLiteral(from, end, literal, ignoreCase)) {
            const char* start = at + literal.size();
            boost::cmatch m;
            // The restart point stays the text's start for the engine: its look-behind
            // may see back to it, never past it.
            if (boost::regex_search(start, end, m, pattern,
                                    boost::match_default | boost::match_prev_avail |
                                        boost::match_continuous,
                                    from)) {
                const char* matchEnd = m[0].second;
                result.push_back({static_cast<std::size_t>(start - base),
                                  static_cast<std::size_t>(matchEnd - start)});
                from = matchEnd;
            } else {
                from = at + 1;
            }
        }
    } catch (const std::exception&) {
        // Complexity or memory limits: keep what was found.
    }
    return result;
}

MatchList detail::searchEveryPosition(const Pattern& pattern, const Text& text) {
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
