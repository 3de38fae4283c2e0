#include "core/text.h"

#include <cerrno>
#include <climits>
#include <iconv.h>

namespace pv {

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalAt(std::string_view text, std::size_t at, std::string_view wanted, bool ignoreCase) {
    if (at + wanted.size() > text.size())
        return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        char a = text[at + i], b = wanted[i];
        if (ignoreCase ? asciiLower(a) != asciiLower(b) : a != b)
            return false;
    }
    return true;
}

// Width in bytes of the character starting at `at`: 2 for a lead byte followed by a byte.
std::size_t charWidth(std::string_view text, std::size_t at) {
    return (isLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
}

std::string convert(std::string_view in, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    while (srcLeft > 0) {
        std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (r != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG) {
            std::size_t used = out.size() - dstLeft;
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
        } else {
            // An invalid or truncated sequence: keep going past the byte as "?".
            if (dstLeft == 0) {
                std::size_t used = out.size();
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = out.size() - used;
            }
            *dst++ = '?';
            --dstLeft;
            ++src;
            --srcLeft;
        }
    }
    out.resize(out.size() - dstLeft);
    iconv_close(cd);
    return out;
}

} // namespace

int findText(std::string_view text, std::string_view wanted, int start, bool ignoreCase) {
    if (text.empty())
        return -1;
    if (start < 1)
        start = 1;
    if (static_cast<std::size_t>(start) > text.size())
        return -1;
    if (wanted.empty())
        return start == 1 ? 1 : start;
    // Walk from the beginning so that character boundaries are known.
    std::size_t at = 0;
    while (at < text.size()) {
        if (at + 1 >= static_cast<std::size_t>(start) && equalAt(text, at, wanted, ignoreCase))
            return static_cast<int>(at + 1);
        at += charWidth(text, at);
    }
    return -1;
}

int findLastText(std::string_view text, std::string_view wanted, int limit) {
    std::string_view scope = text;
    if (limit >= 0 && static_cast<std::size_t>(limit) < text.size())
        scope = text.substr(0, static_cast<std::size_t>(limit));
    if (wanted.empty() || scope.size() < wanted.size())
        return -1;
    int last = -1;
    std::size_t at = 0;
    while (at < scope.size()) {
        if (equalAt(scope, at, wanted, false))
            last = static_cast<int>(at + 1);
        at += charWidth(scope, at);
    }
    return last;
}

Text middle(std::string_view text, int position, int count) {
    if (position < 1 || static_cast<std::size_t>(position) > text.size() || count <= 0)
        return {};
    return Text(
        text.substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(count)));
}

Text left(std::string_view text, int count) {
    if (count <= 0)
        return {};
    return Text(text.substr(0, static_cast<std::size_t>(count)));
}

Text right(std::string_view text, int count) {
    if (count <= 0)
        return {};
    if (static_cast<std::size_t>(count) >= text.size())
        return Text(text);
    return Text(text.substr(text.size() - static_cast<std::size_t>(count)));
}

Text lowerCase(std::string_view text) {
    Text out(text);
    for (std::size_t i = 0; i < out.size();) {
        std::size_t w = charWidth(out, i);
        if (w == 1)
            out[i] = asciiLower(out[i]);
        i += w;
    }
    return out;
}

Text foldFullWidth(std::string_view text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        if (isLeadByte(c) && i + 1 < text.size()) {
            auto t = static_cast<unsigned char>(text[i + 1]);
            char ascii = 0;
            if (c == 0xA3 && t >= 0xB0 && t <= 0xB9)
                ascii = static_cast<char>('0' + (t - 0xB0));
            else if (c == 0xA3 && t == 0xAB)
                ascii = '+';
            else if (c == 0xA3 && t == 0xAD)
                ascii = '-';
            else if (c == 0xA3 && t == 0xAE)
                ascii = '.';
            else if (c == 0xA1 && t == 0xA1)
                ascii = ' ';
            if (ascii) {
                out.push_back(ascii);
            } else {
                out.push_back(text[i]);
                out.push_back(text[i + 1]);
            }
            i += 2;
        } else {
            out.push_back(text[i]);
            ++i;
        }
    }
    return out;
}

namespace {
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips leading white space and an optional sign; the position of the first digit.
std::size_t skipSpaceAndSign(const Text& t, bool& negative) {
    std::size_t i = 0;
    while (i < t.size() && isSpace(t[i]))
        ++i;
    negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    return i;
}
} // namespace

double toNumber(std::string_view text) {
    const Text t = foldFullWidth(text);
    bool negative;
    std::size_t i = skipSpaceAndSign(t, negative);
    double value = 0;
    bool any = false;
    while (i < t.size() && isDigit(t[i])) {
        value = value * 10 + (t[i] - '0');
        any = true;
        ++i;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < t.size() && isDigit(t[i])) {
            value += (t[i] - '0') * scale;
            scale /= 10;
            any = true;
            ++i;
        }
    }
    if (!any)
        return 0;
    return negative ? -value : value;
}

std::int32_t integerValue(std::string_view text) {
    const Text t = foldFullWidth(text);
    bool negative;
    std::size_t i = skipSpaceAndSign(t, negative);
    std::int64_t value = 0;
    const std::int64_t cap = static_cast<std::int64_t>(INT32_MAX) + 1;
    while (i < t.size() && isDigit(t[i])) {
        value = value * 10 + (t[i] - '0');
        if (value > cap)
            value = cap;
        ++i;
    }
    if (negative)
        return static_cast<std::int32_t>(-value < INT32_MIN ? INT32_MIN : -value);
    return static_cast<std::int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

Text trimSpaces(std::string_view text) {
    std::size_t b = 0, e = text.size();
    for (;;) {
        if (b < e && text[b] == ' ')
            ++b;
        else if (b + 1 < e && static_cast<unsigned char>(text[b]) == 0xA1 &&
                 static_cast<unsigned char>(text[b + 1]) == 0xA1)
            b += 2;
        else
            break;
    }
    // From the end the character boundaries are unknown, so walk forward and remember
    // where the last run of spaces began.
    std::size_t lastKeep = b;
    for (std::size_t i = b; i < e;) {
        bool ascii = text[i] == ' ';
        bool wide = i + 1 < e && static_cast<unsigned char>(text[i]) == 0xA1 &&
                    static_cast<unsigned char>(text[i + 1]) == 0xA1;
        std::size_t w = wide ? 2 : charWidth(text, i);
        if (!ascii && !wide)
            lastKeep = i + w;
        i += w;
    }
    return Text(text.substr(b, lastKeep - b));
}

Text replaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty())
        return Text(text);
    Text out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (equalAt(text, i, from, true)) {
            out.append(to);
            i += from.size();
        } else {
            std::size_t w = charWidth(text, i);
            out.append(text.substr(i, w));
            i += w;
        }
    }
    return out;
}

Text decimal(std::int64_t n) {
    return std::to_string(n);
}

std::string gbkToUtf8(std::string_view gbk) {
    return convert(gbk, "UTF-8", "GB18030");
}

Text utf8ToGbk(std::string_view utf8) {
    return convert(utf8, "GB18030", "UTF-8");
}

} // namespace pv
