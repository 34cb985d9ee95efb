#include "webqq/transport/TextCodec.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "zuvo/platform/Clock.h"

namespace {

struct BetweenCase {
  std::string text, left, right;
  int64_t start;
  std::string value;
  int64_t nextPos;
};

std::ostream& operator<<(std::ostream& os, const BetweenCase& c) {
  return os << "text '" << c.text << "' left '" << c.left << "' right '" << c.right << "' start "
            << c.start;
}

TEST(TextBetween, CasesFromTable) {
  const std::string reply = "{\"retcode\":0,\"result\":{}}";
  const BetweenCase cases[] = {
      // An empty value counts as not found although both delimiters are there ...
      {"a=;b=2;", "=", ";", 1, "", -1},
      // ... and a search started after that pair finds the next value.
      {"a=;b=2;", "=", ";", 4, "2", 8},
      {reply, "\"retcode\":", ",", 1, "0", 14},
      {"x=1;y=22;", "=", ";", 5, "22", 10},
      {"x=1", "=", ";", 1, "", -1},                  // no right
      {"x;1", "=", ";", 1, "", -1},                  // no left
      {"", "=", ";", 1, "", -1},
      {"x=1;", "", ";", 1, "", -1},                  // an empty delimiter is never found
      {"x=1;", "=", "", 1, "", -1},
      {"x=1;", "=", ";", 0, "1", 5},                 // a start below 1 counts as 1
      {"x=1;", "=", ";", -1, "1", 5},
      {"x=1;", "=", ";", 5, "", -1},                 // start just past the end
      {"x=1;", "=", ";", 99, "", -1},
      {"名字=宋体;", "名字=", ";", 1, "宋体", 11},
      {"宋体", "\xCB", "\xCC", 1, "", -1},           // halves of characters are no delimiters
      // The second byte of "\xB1\x5B" is no "[": no match starts on a trail byte.
      {"\xB1\x5B", "[", "]", 1, "", -1},
      {"\xB1\x5Bx]", "[", "]", 1, "", -1},
      {"\xB1\x5B[x]", "[", "]", 1, "x", 6},
      {"[a\xB1]b]", "[", "]", 1, "a\xB1]b", 7},     // "\xB1]" is one character
      // A left delimiter ending on a lone lead byte must not take the lead of "\xB1" "a".
      {"\xB1" "ax\xB1" "0x", "\xB1", "x", 1, "0", 7},
      // Started inside a character, the search counts characters from the start.
      {"\xB1[x]", "[", "]", 2, "x", 5},
  };
  for (const BetweenCase& c : cases) {
    int64_t nextPos = 12345;
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, &nextPos), c.value) << c;
    EXPECT_EQ(nextPos, c.nextPos) << c;
  }
}

TEST(TextBetween, LoopsOverAListUntilMinusOne) {
  const std::string reply = "[{\"uin\":1,\"n\":\"a\"},{\"uin\":22,\"n\":\"宋\"},{\"uin\":333,\"n\":\"c\"}]";
  std::vector<std::string> uins;
  for (int64_t pos = 1;;) {
    std::string uin = TextBetween(reply, "\"uin\":", ",", pos, &pos);
    if (pos == -1) break;
    uins.push_back(uin);
  }
  EXPECT_EQ(uins, (std::vector<std::string>{"1", "22", "333"}));
  EXPECT_EQ(TextBetween(reply, "\"n\":\"", "\""), "a");  // start and nextPos may be left out
}

TEST(FindText, PositionsAreOneBasedAndRespectCharacters) {
  struct Case { std::string text, needle; int64_t start; bool ignoreCase; int64_t position; };
  const Case cases[] = {
      {"abcabc", "bc", 1, false, 2},
      {"abcabc", "bc", 3, false, 5},
      {"abcabc", "BC", 1, false, -1},
      {"abcabc", "BC", 1, true, 2},
      {"aBc", "bC", 1, true, 2},
      {"\xB1\x5B[", "[", 1, false, 3},
      {"\xB1\x5B[", "[", 1, true, 3},
      // "\x81" "a" and "\x81" "A" are two different characters: case is only folded on letters
      // that are characters of their own.
      {"[\x81" "a]", "\x81" "A", 1, true, -1},
      {"[\x81" "a]", "\x81" "a", 1, true, 2},
      {"\x81" "A\x81" "a", "\x81" "a", 1, true, 3},
      {"x\xB1" "a", "\xB1", 1, true, -1},
      {"\xB1" "0", "\xB1", 1, true, 1},
      {"abc", "abcd", 1, false, -1},
      {"abc", "abc", 1, true, 1},
      {"abc", "c", 3, true, 3},
      {"abc", "c", 4, true, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.text, c.needle, c.start, c.ignoreCase), c.position)
        << "'" << c.text << "' '" << c.needle << "' " << c.start << " " << c.ignoreCase;
  }
}

TEST(TextBetweenQuoteMarked, MarkerStandsForQuoteAndCaseIsIgnored) {
  const std::string headers = "HTTP/1.1 200 OK\r\nset-cookie: a=1; path=/\r\nSet-Cookie: b=2; path=/\r\n";
  EXPECT_EQ(TextBetweenQuoteMarked(headers, "Set-Cookie:", ";"), " a=1");
  EXPECT_EQ(TextBetweenQuoteMarked(headers, "Set-Cookie:", ";", 1, true), " b=2");
  EXPECT_EQ(TextBetweenQuoteMarked(headers, "SET-COOKIE:", ";", 30), " b=2");
  EXPECT_EQ(TextBetweenQuoteMarked(headers, "SET-COOKIE:", ";", 1, true), "");
  EXPECT_EQ(TextBetweenQuoteMarked(headers, "Set-Cookie:", "#"), "");
  const std::string json = "{\"nick\":\"宋体\",\"uin\":1}";
  EXPECT_EQ(TextBetweenQuoteMarked(json, "#引号nick#引号:#引号", "#引号"), "宋体");
  EXPECT_EQ(TextBetweenQuoteMarked(json, "#引号UIN#引号:", "}"), "1");
  EXPECT_EQ(TextBetweenQuoteMarked("a\"\"b", "#引号", "#引号"), "");  // empty value, no error
}

TEST(CodePage, Utf8AndLocalConvertBothWays) {
  EXPECT_EQ(Utf8ToLocal("\xE5\xAE\x8B\xE4\xBD\x93"), "宋体");
  EXPECT_EQ(Utf8ToLocal("a\xE0\xB8\x81" "b"), "a?b");  // Thai has no GBK form
  EXPECT_EQ(Utf8ToLocal(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(LocalToUtf8("宋体"), "\xE5\xAE\x8B\xE4\xBD\x93");
  EXPECT_EQ(LocalToUtf8(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(LocalToUtf8(""), "");
}

TEST(UrlEncode, OnlyDigitsAndLettersPass) {
  const std::pair<std::string, std::string> cases[] = {
      {"宋体", "%E5%AE%8B%E4%BD%93"},
      {" ", "%20"},
      {",", "%2C"},
      {"\n", "%0A"},
      {"-_.~", "%2D%5F%2E%7E"},
      {"azAZ09", "azAZ09"},
      {"", ""},
      {"http://web.qq.com/loginproxy.html", "http%3A%2F%2Fweb%2Eqq%2Ecom%2Floginproxy%2Ehtml"},
      {"\x7F", "%7F"},
  };
  for (const auto& [text, encoded] : cases) EXPECT_EQ(UrlEncode(text), encoded) << text;
}

TEST(UnescapeUnicode, ReplacesEveryEscape) {
  const std::pair<std::string, std::string> cases[] = {
      {"\\u0020", ""},                  // the blank is trimmed away
      {"x\\u0020y", "xy"},
      {"\\u0041\\u0041", "AA"},
      {"\\U0041", "A"},
      {"\\u4F60", "你"},
      {"\\u4f60\\u597D", "你好"},
      {"{\"nick\":\"\\u4F60\\u597D\",\"x\":\"\\u0041\"}", "{\"nick\":\"你好\",\"x\":\"A\"}"},
      {"\\u0E01", ""},                  // no GBK form
      {"\\uD800", ""},                  // a lone surrogate has none either
      {"\\u0000", ""},
      {"\\\\u0041", "\\A"},
      // Fewer than six characters from the backslash: left as it is.
      {"\\u", "\\u"},
      {"a\\u004", "a\\u004"},
      {"\\u00", "\\u00"},
      {"\\x0041", "\\x0041"},
      // "\x81\\" is one character, so its second byte starts no escape.
      {"\x81\\u0041", "\x81\\u0041"},
      {"", ""},
  };
  for (const auto& [text, unescaped] : cases) EXPECT_EQ(UnescapeUnicode(text), unescaped) << text;
}

TEST(HexToNumber, DigitsOfEitherCaseAndMinusTwoForTheRest) {
  const std::pair<std::string, int64_t> cases[] = {
      {"", 0},
      {"0", 0},
      {"FF", 255},
      {"ff", 255},
      {"4F60", 0x4F60},
      {"7fffffffffffffff", INT64_MAX},
      {"FFFFFFFFFFFFFFFF", -1},
      {"10000000000000000", 0},  // wraps modulo 2^64
      {"G", -2},
      {"1G", 14},
      {"G1", -31},
      {"ZZ", -34},
      {"宋", -34},                // each byte of a double-byte character is one non-digit
      // x = 16x - 2 has the fixed point -0x2222222222222222 modulo 2^64.
      {std::string(16, 'G'), -0x2222222222222222},
      {std::string(1000, 'G'), -0x2222222222222222},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(HexToNumber(text), value) << text;
}

bool AllDigits(const std::string& text) {
  return text.find_first_not_of("0123456789") == std::string::npos;
}

TEST(RandomDigits, LengthBetweenCountAndMaximum) {
  std::set<size_t> lengths;
  for (int i = 0; i < 200; ++i) {
    const std::string digits = RandomDigits(7, 8);
    EXPECT_TRUE(AllDigits(digits)) << digits;
    lengths.insert(digits.size());
  }
  EXPECT_EQ(lengths, (std::set<size_t>{7, 8}));
  EXPECT_EQ(RandomDigits(16).size(), 16u);
  EXPECT_EQ(RandomDigits(5, 3).size(), 5u);
  EXPECT_EQ(RandomDigits(0), "");
  // Two calls within the same second differ: the generator is not reseeded from the clock.
  EXPECT_NE(RandomDigits(16), RandomDigits(16));
}

TEST(TimeStamp, MillisecondsOfUtcPlusEightWithRandomMilliseconds) {
  const int64_t before = UnixSecondsNow() + LocalUtcOffsetSeconds() - 8 * 3600;
  const std::string stamp = TimeStamp();
  const int64_t after = UnixSecondsNow() + LocalUtcOffsetSeconds() - 8 * 3600;
  ASSERT_TRUE(AllDigits(stamp)) << stamp;
  const int64_t value = std::stoll(stamp);
  EXPECT_GE(value, before * 1000);
  EXPECT_LT(value, (after + 1) * 1000);
}

TEST(FriendListHash, XorOfKeyAndRepeatedNumber) {
  // key "abticket missing" (16 bytes), pad "1234512345123451": 'a'^'1' = 0x50, 'b'^'2' = 0x50,
  // 't'^'3' = 0x47, 'i'^'4' = 0x5D, 'c'^'5' = 0x56, 'k'^'1' = 0x5A, ... 'g'^'1' = 0x56.
  EXPECT_EQ(FriendListHash("12345", "ab"), "5050475D565A574714585841405D5B56");
  // key "ticket missing" alone, every byte XOR '1' (0x31).
  EXPECT_EQ(FriendListHash("1", ""), "4558525A5445115C584242585F56");
  // A number longer than the key is cut to its length.
  EXPECT_EQ(FriendListHash("11111111111111111111", ""), "4558525A5445115C584242585F56");
  EXPECT_EQ(FriendListHash("", "ab"), "");
}

}  // namespace
