#include "webqq/transport/TextCodec.h"

#include <cstring>

#include "webqq/transport/Md5.h"
#include "zuvo/platform/Clock.h"
#include "zuvo/platform/Text.h"

namespace {

constexpr size_t kNone = std::string_view::npos;

bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsAsciiLetter(unsigned char b) { return (b | 0x20) >= 'a' && (b | 0x20) <= 'z'; }
unsigned char AsciiUpper(unsigned char b) { return b >= 'a' && b <= 'z' ? b - 0x20 : b; }

// A text ends at its first NUL.
std::string_view UpToNul(std::string_view text) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul ? text.substr(0, static_cast<const char*>(nul) - text.data()) : text;
}

// Byte offset of a 1-based start position; kNone when it lies beyond the end of the text.
size_t StartOffset(std::string_view text, int64_t start) {
  if (start < 1) return 0;
  if (uint64_t(start - 1) > text.size()) return kNone;
  return size_t(start - 1);
}

// True when the needle, read from its own start, ends on a lead byte that stands alone.
// Only such a needle can match the first half of a double-byte character in the text.
bool EndsWithLoneLead(std::string_view needle) {
  size_t i = 0;
  while (i + GbkCharLength(needle, i) < needle.size()) i += GbkCharLength(needle, i);
  return GbkCharLength(needle, i) == 1 && IsGbkLead(needle[i]);
}

// Needle bytes match at `at` (a character boundary of the text), letters of single-byte
// characters compared without case. Past a boundary both sides then split into the same
// characters, so the needle's own character structure says which bytes are letters.
bool MatchesIgnoringCase(std::string_view text, size_t at, std::string_view needle) {
  for (size_t k = 0; k < needle.size();) {
    size_t length = GbkCharLength(needle, k);
    for (size_t b = 0; b < length; ++b) {
      unsigned char t = text[at + k + b], n = needle[k + b];
      if (t != n && !(length == 1 && IsAsciiLetter(n) && AsciiUpper(t) == AsciiUpper(n))) return false;
    }
    k += length;
  }
  return true;
}

// The searching behind FindText and TextBetween. Character boundaries are counted from
// `from`; a candidate is accepted when it starts on one and does not end inside a character.
// The boundary cursor only moves forward, so checking costs one pass over the text on top of
// the candidate search itself.
size_t Find(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
  if (needle.empty() || from > text.size() || needle.size() > text.size() - from) return kNone;
  const size_t last = text.size() - needle.size();
  const bool checkEnd = EndsWithLoneLead(needle);
  auto endsInsideCharacter = [&](size_t at) {
    return checkEnd && GbkCharLength(text, at + needle.size() - 1) == 2;
  };
  size_t boundary = from;
  if (!ignoreCase) {
    for (size_t at = from; (at = text.find(needle, at)) != kNone; ++at) {
      while (boundary < at) boundary += GbkCharLength(text, boundary);
      if (boundary == at && !endsInsideCharacter(at)) return at;
    }
    return kNone;
  }
  for (; boundary <= last; boundary += GbkCharLength(text, boundary)) {
    if (MatchesIgnoringCase(text, boundary, needle) && !endsInsideCharacter(boundary)) return boundary;
  }
  return kNone;
}

const char kHexDigits[] = "0123456789ABCDEF";

std::string ReplaceQuoteMarker(std::string_view delimiter) {
  static const std::string_view kMarker = "#引号";
  std::string out;
  for (size_t i = 0;;) {
    size_t at = Find(delimiter, kMarker, i, false);
    out.append(delimiter.substr(i, at == kNone ? kNone : at - i));
    if (at == kNone) return out;
    out.push_back('"');
    i = at + kMarker.size();
  }
}

// One \uXXXX: its four digits as a UTF-16 code unit in GBK, without trailing blanks. A NUL
// ends a text, so the unit 0 also becomes nothing.
std::string UnescapedUnit(std::string_view digits) {
  const char16_t unit = char16_t(uint64_t(HexToNumber(digits)) & 0xFFFF);
  std::string gbk(UpToNul(Utf16ToGbk(std::u16string_view(&unit, 1), "")));
  while (!gbk.empty() && gbk.back() == ' ') gbk.pop_back();
  return gbk;
}

}  // namespace

int64_t FindText(std::string_view text, std::string_view needle, int64_t start, bool ignoreCase) {
  size_t at = Find(text, needle, StartOffset(text, start), ignoreCase);
  return at == kNone ? -1 : int64_t(at) + 1;
}

// The extraction primitive of every reply parser, hence views and no copy but the result.
// An empty value counts as not found: parsers loop over lists with `nextPos` and stop at -1.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int64_t start, int64_t* nextPos) {
  if (nextPos) *nextPos = -1;
  const size_t found = Find(text, left, StartOffset(text, start), false);
  if (found == kNone) return {};
  const size_t value = found + left.size();
  const size_t end = Find(text, right, value, false);
  if (end == kNone || end == value) return {};
  if (nextPos) *nextPos = int64_t(end + right.size()) + 1;
  return std::string(text.substr(value, end - value));
}

std::string TextBetweenQuoteMarked(std::string_view text, std::string_view left,
                                   std::string_view right, int64_t start, bool caseSensitive) {
  const std::string l = ReplaceQuoteMarker(left), r = ReplaceQuoteMarker(right);
  const size_t found = Find(text, l, StartOffset(text, start), !caseSensitive);
  if (found == kNone) return {};
  const size_t value = found + l.size();
  const size_t end = Find(text, r, value, !caseSensitive);
  if (end == kNone) return {};
  return std::string(text.substr(value, end - value));
}

std::string Utf8ToLocal(std::string_view bytes) { return Utf8ToGbk(UpToNul(bytes), "?"); }

std::string LocalToUtf8(std::string_view text) { return GbkToUtf8(UpToNul(text)); }

std::string UrlEncode(std::string_view text) {
  const std::string utf8 = LocalToUtf8(text);
  std::string out;
  out.reserve(utf8.size() * 3);
  for (unsigned char b : utf8) {
    if ((b >= '0' && b <= '9') || IsAsciiLetter(b)) {
      out.push_back(char(b));
    } else {
      out.push_back('%');
      out.push_back(kHexDigits[b >> 4]);
      out.push_back(kHexDigits[b & 0xF]);
    }
  }
  return out;
}

// One left-to-right pass. Replacing every occurrence of each escape in turn gives the same
// text, since what an escape becomes depends on its six characters alone; the pass is
// linear, and it reads the text character by character so that a backslash that is the
// second byte of a double-byte character starts no escape. A "\u" with fewer than four
// characters after it stays as it is.
std::string UnescapeUnicode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\\' && i + 6 <= text.size() && (text[i + 1] == 'u' || text[i + 1] == 'U')) {
      out += UnescapedUnit(text.substr(i + 2, 4));
      i += 6;
      continue;
    }
    const size_t length = GbkCharLength(text, i);
    out.append(text, i, length);
    i += length;
  }
  return out;
}

// Unsigned arithmetic, so a long or hostile text wraps instead of overflowing. Each byte of
// a double-byte character is a character outside the digit set.
int64_t HexToNumber(std::string_view text) {
  uint64_t value = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t length = GbkCharLength(text, i);
    int64_t digit = -2;
    if (length == 1) {
      const unsigned char c = AsciiUpper(text[i]);
      const char* at = c ? std::strchr(kHexDigits, c) : nullptr;
      if (at) digit = at - kHexDigits;
    }
    for (size_t b = 0; b < length; ++b) value = value * 16 + uint64_t(digit);
    i += length;
  }
  return int64_t(value);
}

// The process-wide generator of RandomBetween, seeded once: reseeding from the clock on
// every call would give two calls within one second the same digits.
std::string RandomDigits(int count, int maximum) {
  const int64_t length = RandomBetween(count, maximum);
  std::string out;
  for (int64_t i = 0; i < length; ++i) out.push_back(char('0' + RandomBetween(0, 9)));
  return out;
}

// Seconds from 1970-01-01 08:00 local time to local now: the Unix time on a machine at UTC+8.
std::string TimeStamp() {
  const int64_t seconds = UnixSecondsNow() + LocalUtcOffsetSeconds() - 8 * 3600;
  return std::to_string(seconds * 1000 + RandomBetween(0, 999));
}

// key = ptwebqq + salt; pad = the QQ number repeated to the length of key; hash = hex of
// key XOR pad. An empty QQ number can pad nothing, so it gives the failure value.
std::string FriendListHash(std::string_view qq, std::string_view ptwebqq) {
  if (qq.empty()) return {};
  std::string key = std::string(ptwebqq) + "ticket missing";
  for (size_t i = 0; i < key.size(); ++i) key[i] = char(key[i] ^ qq[i % qq.size()]);
  return ToHexUpper(key);
}
