// TextBetween, FindText and TextBetweenQuoteMarked on any text and delimiters. FindText is
// checked against a plain character-by-character search.
//
// Input: byte 0 = left length (0-15) and right length (0-15) in its two halves, bytes 1-2 =
// start position (signed, little-endian), byte 3 bit 0 = ignore case; then left, right, text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "webqq/transport/TextCodec.h"
#include "zuvo/platform/Text.h"

namespace {

#define CHECK(condition) \
  do {                   \
    if (!(condition)) std::abort(); \
  } while (0)

unsigned char Upper(unsigned char b) { return b >= 'a' && b <= 'z' ? b - 0x20 : b; }

// Character boundaries counted from `from`; a match covers whole characters of the text.
int64_t ReferenceFind(std::string_view text, std::string_view needle, int64_t start, bool ignoreCase) {
  if (needle.empty()) return -1;
  size_t from = start < 1 ? 0 : size_t(start - 1);
  if (start > int64_t(text.size()) + 1) return -1;
  for (size_t at = from; at + needle.size() <= text.size(); at += GbkCharLength(text, at)) {
    size_t k = 0;
    bool same = true;
    while (same && k < needle.size()) {
      const size_t length = GbkCharLength(text, at + k);
      if (k + length > needle.size() || GbkCharLength(needle, k) != length) {
        same = false;
        break;
      }
      for (size_t b = 0; b < length; ++b) {
        unsigned char t = text[at + k + b], n = needle[k + b];
        if (ignoreCase && length == 1) t = Upper(t), n = Upper(n);
        if (t != n) same = false;
      }
      k += length;
    }
    if (same) return int64_t(at) + 1;
  }
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const size_t leftSize = data[0] & 0xF, rightSize = data[0] >> 4;
  const int64_t start = int16_t(uint16_t(data[1] | data[2] << 8));
  const bool ignoreCase = data[3] & 1;
  std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);
  if (rest.size() < leftSize + rightSize) return 0;
  const std::string_view left = rest.substr(0, leftSize);
  const std::string_view right = rest.substr(leftSize, rightSize);
  const std::string_view text = rest.substr(leftSize + rightSize);

  int64_t nextPos = 0;
  const std::string value = TextBetween(text, left, right, start, &nextPos);
  CHECK(value.empty() == (nextPos == -1));
  if (nextPos != -1) {
    // text = ... left value right ..., with nextPos just after right.
    const size_t end = size_t(nextPos - 1);
    CHECK(nextPos >= 1 && end <= text.size());
    CHECK(end >= right.size() + value.size() + left.size());
    const size_t valueAt = end - right.size() - value.size();
    CHECK(text.substr(end - right.size(), right.size()) == right);
    CHECK(text.substr(valueAt, value.size()) == value);
    CHECK(text.substr(valueAt - left.size(), left.size()) == left);
    CHECK(FindText(text, left, start) == int64_t(valueAt - left.size()) + 1);
    // The loop of every list parser ends.
    int64_t pos = 1, rounds = 0;
    while (pos != -1) {
      const int64_t before = pos;
      TextBetween(text, left, right, pos, &pos);
      CHECK(pos == -1 || pos > before);
      CHECK(++rounds <= int64_t(text.size()) + 1);
    }
  }

  const int64_t found = FindText(text, left, start, ignoreCase);
  CHECK(found == ReferenceFind(text, left, start, ignoreCase));
  if (found != -1 && !ignoreCase) CHECK(text.substr(size_t(found - 1), left.size()) == left);

  const std::string quoted = TextBetweenQuoteMarked(text, left, right, start, !ignoreCase);
  CHECK(quoted.empty() || text.find(quoted) != std::string_view::npos);
  return 0;
}
