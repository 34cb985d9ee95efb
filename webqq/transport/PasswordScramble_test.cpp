#include "webqq/transport/PasswordScramble.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "webqq/transport/Md5.h"

namespace {

TEST(Rc4, PublishedVectors) {
  struct Case { const char* key; const char* plain; const char* cipherHex; };
  const Case cases[] = {
      {"Key", "Plaintext", "BBF316E8D940AF0AD3"},
      {"Wiki", "pedia", "1021BF0420"},
      {"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToHexUpper(Rc4(c.key, c.plain)), c.cipherHex) << c.key;
    EXPECT_EQ(Rc4(c.key, Rc4(c.key, c.plain)), c.plain) << c.key;
  }
}

// Every byte under a fresh "Kog" cipher, as the scrambling does it; RC4 deciphers by
// enciphering again.
std::string EachByteAlone(const std::string& text) {
  std::string out;
  for (char c : text) out += Rc4("Kog", std::string(1, c));
  return out;
}

TEST(ScramblePassword, HexItemsEncipheredBytewise) {
  const std::string scrambled = ScramblePassword("Ab");
  EXPECT_EQ(EachByteAlone(scrambled), "41,62");
  // The first byte of the "Kog" key stream is 0xA3.
  EXPECT_EQ(scrambled, "\x97\x92\x8F\x95\x91");
  EXPECT_EQ(EachByteAlone(ScramblePassword(std::string("\x01\x0F\x10\xFF", 4))), "1,F,10,FF");
  EXPECT_EQ(ScramblePassword(""), "");
  EXPECT_EQ(EachByteAlone(ScramblePassword("宋")), "CB,CE");
}

TEST(ScramblePassword, RoundTripsEveryByteValue) {
  std::string every;
  for (int b = 1; b <= 255; ++b) every.push_back(char(b));
  std::string reversed(every.rbegin(), every.rend());
  std::string shuffled = every;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  for (const std::string& text : {every, reversed, shuffled, std::string("p@ss 宋体!"), std::string()}) {
    EXPECT_EQ(UnscramblePassword(ScramblePassword(text)), text);
  }
  for (int b = 1; b <= 255; ++b) {
    const std::string one(1, char(b));
    EXPECT_EQ(UnscramblePassword(ScramblePassword(one)), one) << b;
  }
}

TEST(UnscramblePassword, ReadsAnyTextWithoutFailing) {
  const std::pair<std::string, std::string> cases[] = {
      {"41,0,42", "AB"},       // zero bytes are dropped
      {",,41,", "A"},          // so are empty items
      {"141", "A"},            // only the low eight bits make the byte
      {"100", ""},
      {"G", "\xFE"},           // HexToNumber: -2
      {"", ""},
  };
  for (const auto& [items, text] : cases) {
    EXPECT_EQ(UnscramblePassword(EachByteAlone(items)), text) << items;
  }
  // Bytes that were never scrambled give some text, and nothing worse.
  std::mt19937 random(1);
  for (int i = 0; i < 200; ++i) {
    std::string junk(random() % 64, '\0');
    for (char& c : junk) c = char(random());
    const std::string text = UnscramblePassword(junk);
    EXPECT_EQ(text.find('\0'), std::string::npos);
  }
}

}  // namespace
