#include "zuvo/platform/Text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// Every GBK code taken through the table, folded into one number. The same value on
// every system means the conversions agree everywhere, not only on the cases below.
uint64_t FingerprintOfGbkTable() {
  uint64_t hash = 1469598103934665603ull;
  auto mix = [&hash](uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      hash ^= (value >> (8 * i)) & 0xFF;
      hash *= 1099511628211ull;
    }
  };
  for (int b = 0x80; b <= 0xFF; ++b) mix(GbkToUtf16(std::string(1, char(b)))[0]);
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      std::string pair{char(lead), char(trail)};
      std::u16string wide = GbkToUtf16(pair);
      mix(wide[0]);
      if (wide.size() == 2 || wide[0] == u'?') continue;
      mix(Utf16ToGbk(wide) == pair);  // round trip
    }
  }
  return hash;
}

TEST(Text, ChineseLiteralsAreGbkAndConvertBothWays) {
  const std::string songti = "宋体";
  ASSERT_EQ(songti, "\xCB\xCE\xCC\xE5");
  EXPECT_EQ(GbkToUtf8(songti), "\xE5\xAE\x8B\xE4\xBD\x93");
  EXPECT_EQ(Utf8ToGbk("\xE5\xAE\x8B\xE4\xBD\x93"), songti);
  EXPECT_EQ(Utf8ToGbk("a\xE2\x82\xAC" "b"), "a\x80" "b");  // the euro sign is one byte in code page 936
}

TEST(Text, CharactersWithoutGbkFormTakeTheReplacement) {
  struct Case { const char* utf8; const char* replacement; const char* gbk; };
  const Case cases[] = {
      {"x\xF0\x9F\x98\x80y", "?", "x?y"},       // outside the BMP: one replacement per character
      {"x\xF0\x9F\x98\x80y", "", "xy"},
      {"\xE0\xB8\x81", "?", "?"},               // Thai has no GBK form
      {"\xC3\x28", "?", "?("},                  // broken sequence
      {"\xED\xA0\x80", "?", "?"},               // an encoded surrogate
      {"\xC0\xAF", "?", "?"},                   // overlong
      {"\xE5\xAE", "?", "?"},                   // cut at the end
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToGbk(c.utf8, c.replacement), c.gbk) << c.utf8;
  EXPECT_EQ(Utf16ToGbk(u"\xD800z"), "?z");  // unpaired surrogate
}

TEST(Text, BrokenGbkBecomesQuestionMarks) {
  EXPECT_EQ(GbkToUtf16("\xCB"), u"?");            // lead byte at the end
  EXPECT_EQ(GbkToUtf16("\xCB\x30"), u"?0");       // lead byte before an invalid trail
  EXPECT_EQ(GbkToUtf16("\xFF" "a"), u"?a");
  EXPECT_EQ(GbkToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_EQ(GbkCharLength("\xCB\xCE", 0), 2u);
  EXPECT_EQ(GbkCharLength("\xCB\x7F", 0), 1u);
  EXPECT_EQ(GbkCharLength("\xCB", 0), 1u);
}

TEST(Text, GbkTableIsTheSameOnEverySystem) {
  const uint64_t fingerprint = FingerprintOfGbkTable();
  std::printf("GBK table fingerprint %016llx\n", static_cast<unsigned long long>(fingerprint));
  EXPECT_EQ(fingerprint, 0xa8b0631b04d61e9cull);  // the system code page 936 of Windows
}

}  // namespace
