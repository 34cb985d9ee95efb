#include "webqq/transport/PasswordScramble.h"

#include <cstdint>
#include <utility>

#include "webqq/transport/TextCodec.h"

namespace {

struct Rc4State {
  uint8_t s[256];
  uint8_t i = 0, j = 0;

  explicit Rc4State(std::string_view key) {
    for (int k = 0; k < 256; ++k) s[k] = uint8_t(k);
    uint8_t mix = 0;
    for (int k = 0; k < 256; ++k) {
      mix = uint8_t(mix + s[k] + uint8_t(key[k % key.size()]));
      std::swap(s[k], s[mix]);
    }
  }

  uint8_t Next() {
    i = uint8_t(i + 1);
    j = uint8_t(j + s[i]);
    std::swap(s[i], s[j]);
    return s[uint8_t(s[i] + s[j])];
  }
};

// Every byte is enciphered under a fresh cipher state, so every byte is combined with the
// first byte of the same key stream; that byte is worked out once.
char CipherAlone(char byte) {
  static const uint8_t kFirstKeyByte = Rc4State("Kog").Next();
  return char(uint8_t(byte) ^ kFirstKeyByte);
}

}  // namespace

std::string Rc4(std::string_view key, std::string_view data) {
  if (key.empty()) return std::string(data);
  Rc4State state(key);
  std::string out(data);
  for (char& c : out) c = char(uint8_t(c) ^ state.Next());
  return out;
}

std::string ScramblePassword(std::string_view text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t b = uint8_t(text[i]);
    if (i > 0) out.push_back(CipherAlone(','));
    if (b >= 16) out.push_back(CipherAlone(kDigits[b >> 4]));
    out.push_back(CipherAlone(kDigits[b & 0xF]));
  }
  return out;
}

// HexToNumber may give any number for a hostile item; like every conversion to a byte,
// only its low eight bits count.
std::string UnscramblePassword(std::string_view scrambled) {
  std::string plain(scrambled);
  for (char& c : plain) c = CipherAlone(c);
  std::string out;
  const std::string_view items = plain;
  for (size_t begin = 0; begin <= items.size();) {
    size_t end = items.find(',', begin);
    if (end == std::string_view::npos) end = items.size();
    const char byte = char(uint64_t(HexToNumber(items.substr(begin, end - begin))) & 0xFF);
    if (byte != '\0') out.push_back(byte);
    begin = end + 1;
  }
  return out;
}
