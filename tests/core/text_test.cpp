#include "core/text.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

// GBK bytes used below: 中 = D6 D0, 文 = CE C4, full-width space = A1 A1,
// full-width digits 0..9 = A3 B0..A3 B9, full-width '-' = A3 AD, '+' = A3 AB.
const Text zhong = "\xD6\xD0";
const Text wen = "\xCE\xC4";
const Text wideSpace = "\xA1\xA1";

struct FindCase {
    const char* what;
    Text text, wanted;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(TextFind, Cases) {
    const FindCase cases[] = {
        {"plain", "abcabc", "c", 1, false, 3},
        {"from a later start", "abcabc", "c", 4, false, 6},
        {"start below 1 means 1", "abc", "a", -5, false, 1},
        {"start beyond the length", "abc", "a", 4, false, -1},
        {"not found", "abc", "x", 1, false, -1},
        {"exact case", "ABC", "b", 1, false, -1},
        {"ignoring case", "ABC", "b", 1, true, 2},
        {"empty wanted in a text", "abc", "", 1, false, 1},
        {"empty wanted in the empty text", "", "", 1, false, -1},
        // D6 D0 holds no 0xD0 0xD6 pair of its own; "\xD0\x41" would straddle 中 and 'A'.
        {"never inside a double-byte character", zhong + "A", "\xD0" "A", 1, false, -1},
        {"after a double-byte character", zhong + "/x", "/", 1, false, 3},
        {"a double-byte character itself", "a" + zhong + wen, wen, 1, false, 4},
        {"a trailing lone lead byte", "ab\xD6", "\xD6", 1, false, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findText(c.text, c.wanted, c.start, c.ignoreCase), c.expected) << c.what;
}

TEST(TextFind, LastOccurrenceSkipsSecondBytes) {
    // The marker '"' + ">" must not be found starting at the trail byte of a character
    // whose second byte happens to be '"' (0x22 is never a GBK trail byte, so use 'A').
    const Text text = "A\x81" "AxA";
    EXPECT_EQ(findLastText(text, "A"), 5);
    EXPECT_EQ(findLastText(text, "A", 4), 1); // only the first four bytes
    EXPECT_EQ(findLastText("abab", "ab"), 3);
    EXPECT_EQ(findLastText("abab", "ab", 3), 1); // must lie wholly within the limit
    EXPECT_EQ(findLastText("", "a"), -1);
}

TEST(TextCut, MiddleLeftRight) {
    EXPECT_EQ(middle("abcdef", 2, 3), "bcd");
    EXPECT_EQ(middle("abcdef", 5, 10), "ef");
    EXPECT_EQ(middle("abcdef", 0, 2), "");
    EXPECT_EQ(middle("abcdef", 7, 1), "");
    EXPECT_EQ(middle("abcdef", 2, 0), "");
    EXPECT_EQ(left("abc", 2), "ab");
    EXPECT_EQ(left("abc", 9), "abc");
    EXPECT_EQ(left("abc", -1), "");
    EXPECT_EQ(right("abc", 2), "bc");
    EXPECT_EQ(right("abc", 9), "abc");
    EXPECT_EQ(right("abc", 0), "");
}

TEST(TextCase, LowerCaseLeavesDoubleByteCharactersAlone) {
    // 0x81 0x41: a character whose trail byte is 'A' must keep it.
    EXPECT_EQ(lowerCase("AbC\x81" "AZ"), "abc\x81" "Az");
}

struct NumberCase {
    const char* what;
    Text text;
    std::int32_t integer;
    double number;
};

TEST(TextNumber, IntegerValueAndToNumber) {
    const NumberCase cases[] = {
        {"plain", "12", 12, 12},
        {"leading white space", " \t 7x", 7, 7},
        {"sign", "-5", -5, -5},
        {"plus sign", "+5", 5, 5},
        {"no digits", "abc", 0, 0},
        {"empty", "", 0, 0},
        {"fraction", "81.9", 81, 81.9},
        {"full-width digits", "\xA3\xB1\xA3\xB2", 12, 12},
        {"full-width space and minus", wideSpace + "\xA3\xAD\xA3\xB3", -3, -3},
        {"full-width plus", "\xA3\xAB" "4", 4, 4},
        {"stops at another character", "3" + zhong + "4", 3, 3},
        {"saturates high", "99999999999999999999", INT32_MAX, 1e20},
        {"saturates low", "-99999999999", INT32_MIN, -99999999999.0},
        {"just fits", "2147483647", INT32_MAX, 2147483647.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(integerValue(c.text), c.integer) << c.what;
        EXPECT_DOUBLE_EQ(toNumber(c.text), c.number) << c.what;
    }
}

TEST(TextTrim, AsciiAndFullWidthSpaces) {
    EXPECT_EQ(trimSpaces("  ab c  "), "ab c");
    EXPECT_EQ(trimSpaces(wideSpace + " ab" + wideSpace), "ab");
    EXPECT_EQ(trimSpaces(wideSpace + " " + wideSpace), "");
    EXPECT_EQ(trimSpaces("\tab\t"), "\tab\t"); // tabs stay
    // A character ending in A1 followed by A1 xx is not a full-width space.
    EXPECT_EQ(trimSpaces(zhong + " "), zhong);
    EXPECT_EQ(trimSpaces("\xB0\xA1" "\xA1\xA1"), "\xB0\xA1");
}

TEST(TextReplace, CaseInsensitiveAndDoubleByteAware) {
    EXPECT_EQ(replaceAllIgnoreCase("x/abpic/y/ABPIC/z.jpg", "/abpic/", "/pic/"), "x/pic/y/pic/z.jpg");
    EXPECT_EQ(replaceAllIgnoreCase("x/y.jpg", "/abpic/", "/pic/"), "x/y.jpg");
    // The 'a' after 0x81 is that character's trail byte, so "ab" does not start there.
    EXPECT_EQ(replaceAllIgnoreCase("\x81" "ab", "ab", "X"), "\x81" "ab");
    EXPECT_EQ(replaceAllIgnoreCase("\x81" "aab", "ab", "X"), "\x81" "aX");
}

TEST(TextEncoding, RoundTripsThroughUtf8) {
    EXPECT_EQ(gbkToUtf8(zhong + wen), "中文");
    EXPECT_EQ(utf8ToGbk("中文"), zhong + wen);
    EXPECT_EQ(gbkToUtf8("plain"), "plain");
    EXPECT_EQ(gbkToUtf8(""), "");
}

} // namespace
} // namespace pv
