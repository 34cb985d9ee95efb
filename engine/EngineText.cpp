#include "engine/EngineText.h"

#include <cstring>

#include "zuvo/platform/Text.h"

namespace {

// No GBK character contains a byte below 0x40, so the position after one is a boundary.
bool EndsCharacter(unsigned char byte) { return byte < 0x40; }

unsigned char AsciiLower(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? byte + ('a' - 'A') : byte;
}

bool WordMatchesAt(std::string_view text, size_t pos, std::string_view word, bool ignoreCase) {
  if (text.size() - pos < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    unsigned char a = text[pos + i], b = word[i];
    if (ignoreCase ? AsciiLower(a) != AsciiLower(b) : a != b) return false;
  }
  return true;
}

// Walks candidates left to right and tells whether each starts a character. The walk restarts
// from the last byte below 0x40 before a candidate, so a whole pass stays linear even for text
// without line breaks.
class BoundaryTracker {
 public:
  explicit BoundaryTracker(std::string_view text) : text_(text) {}

  bool IsBoundary(size_t pos) {
    size_t start = known_;
    for (size_t back = pos; back > known_; --back) {
      if (EndsCharacter(static_cast<unsigned char>(text_[back - 1]))) {
        start = back;
        break;
      }
    }
    while (start < pos) start += GbkCharLength(text_, start);
    known_ = start;
    return start == pos;
  }

  // `pos` is a boundary the caller knows of (the end of an ASCII match).
  void MarkBoundary(size_t pos) { known_ = pos; }

 private:
  std::string_view text_;
  size_t known_ = 0;
};

// Next position at or after `from` whose byte may start `word`.
size_t NextCandidate(std::string_view text, size_t from, char first, bool ignoreCase) {
  if (from >= text.size()) return std::string_view::npos;
  unsigned char lower = AsciiLower(first);
  bool letter = lower >= 'a' && lower <= 'z';
  if (!ignoreCase || !letter) {
    const void* hit = std::memchr(text.data() + from, first, text.size() - from);
    return hit ? static_cast<const char*>(hit) - text.data() : std::string_view::npos;
  }
  for (size_t i = from; i < text.size(); ++i) {
    if (AsciiLower(text[i]) == lower) return i;
  }
  return std::string_view::npos;
}

size_t FindWordAtBoundary(std::string_view text, size_t from, std::string_view word,
                          bool ignoreCase, BoundaryTracker* tracker) {
  for (size_t pos = NextCandidate(text, from, word[0], ignoreCase); pos != std::string_view::npos;
       pos = NextCandidate(text, pos + 1, word[0], ignoreCase)) {
    if (WordMatchesAt(text, pos, word, ignoreCase) && tracker->IsBoundary(pos)) return pos;
  }
  return std::string_view::npos;
}

}  // namespace

size_t ReplaceWordEverywhere(std::string* text, std::string_view word, std::string_view value,
                             bool ignoreAsciiCase) {
  if (word.empty()) return 0;
  std::string_view source(*text);
  BoundaryTracker tracker(source);
  std::string result;
  size_t count = 0, copied = 0;
  for (size_t pos = FindWordAtBoundary(source, 0, word, ignoreAsciiCase, &tracker);
       pos != std::string_view::npos;
       pos = FindWordAtBoundary(source, copied, word, ignoreAsciiCase, &tracker)) {
    if (count == 0) result.reserve(source.size());
    result.append(source.substr(copied, pos - copied)).append(value);
    copied = pos + word.size();
    tracker.MarkBoundary(copied);  // an ASCII word ends a character
    ++count;
  }
  if (count == 0) return 0;
  result.append(source.substr(copied));
  text->swap(result);
  return count;
}

std::vector<std::string_view> SplitAtDelimiter(std::string_view text, std::string_view delimiter) {
  std::vector<std::string_view> pieces;
  if (delimiter.empty()) {
    if (!text.empty()) pieces.push_back(text);
    return pieces;
  }
  size_t start = 0;
  for (size_t hit = text.find(delimiter); hit != std::string_view::npos;
       hit = text.find(delimiter, start)) {
    pieces.push_back(text.substr(start, hit - start));
    start = hit + delimiter.size();
  }
  if (start < text.size()) pieces.push_back(text.substr(start));
  return pieces;
}

bool ContainsAtBoundary(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  size_t hit = text.find(needle);
  if (hit == std::string_view::npos) return false;
  size_t pos = 0;
  while (hit != std::string_view::npos) {
    while (pos < hit) pos += GbkCharLength(text, pos);
    if (pos == hit) return true;
    hit = text.find(needle, hit + 1);
  }
  return false;
}

std::string_view TrimSpaces(std::string_view text) {
  size_t begin = 0, end = 0;
  bool seenOther = false;
  for (size_t pos = 0; pos < text.size();) {
    size_t length = GbkCharLength(text, pos);
    bool space = text[pos] == ' ' ||
                 (length == 2 && static_cast<unsigned char>(text[pos]) == 0xA1 &&
                  static_cast<unsigned char>(text[pos + 1]) == 0xA1);
    if (!space) {
      if (!seenOther) begin = pos;
      seenOther = true;
      end = pos + length;
    }
    pos += length;
  }
  return seenOther ? text.substr(begin, end - begin) : std::string_view();
}

bool ListTextHasItem(std::string_view list, std::string_view item) {
  std::string needle;
  needle.reserve(item.size() + 2);
  needle.append(";").append(item).append(";");
  return list.find(needle) != std::string_view::npos;
}
