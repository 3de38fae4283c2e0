// Text inside the program: GBK bytes in a std::string. Positions are 1-based and count
// bytes; a failed search gives -1. Searches step over a double-byte character (a byte of
// 0x80 or more and the byte after it) as a whole, so a match never starts inside one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pv {

using Text = std::string;  // GBK bytes
using Bytes = std::string; // a counted run of octets; empty is what a failed fetch yields

inline bool isLeadByte(unsigned char c) {
    return c >= 0x80;
}

// Position of the first occurrence of `wanted` at or after `start` (below 1 means 1),
// or -1. An empty `wanted` is found at 1 in any non-empty text and nowhere in an empty one.
int findText(std::string_view text, std::string_view wanted, int start = 1,
             bool ignoreCase = false);
// Position of the last occurrence of `wanted` that lies wholly within the first `limit`
// bytes (limit < 0: the whole text), scanning character by character; -1 when none.
int findLastText(std::string_view text, std::string_view wanted, int limit = -1);

Text middle(std::string_view text, int position, int count);
Text left(std::string_view text, int count);
Text right(std::string_view text, int count);
Text lowerCase(std::string_view text);

// Full-width digits, signs, the full stop and the space read as their ASCII forms.
Text foldFullWidth(std::string_view text);
// The text read as a decimal number (a fraction included): leading white space skipped,
// reading stops at the first byte that cannot continue the number, 0 without one.
double toNumber(std::string_view text);
// White space skipped, an optional sign, decimal digits up to the first other byte, 0
// without digits; full-width forms count as ASCII. Saturates at the 32-bit limits.
std::int32_t integerValue(std::string_view text);

// Removes ASCII spaces and full-width spaces (A1 A1) at both ends; other white space stays.
Text trimSpaces(std::string_view text);
// Every occurrence of `from` replaced by `to`, letters compared regardless of ASCII case,
// double-byte characters passed over whole; the scan goes on behind each replacement.
Text replaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to);

// Decimal text of a number, no leading zeros.
Text decimal(std::int64_t n);

// Conversions at the edges. GBK is decoded and encoded as GB18030, its superset.
std::string gbkToUtf8(std::string_view gbk);
Text utf8ToGbk(std::string_view utf8);

} // namespace pv
