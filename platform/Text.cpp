#include "zuvo/platform/Text.h"

#include <memory>
#include <mutex>

#include "GbkTable.h"

namespace {

const GbkTable& Table() {
  static std::unique_ptr<GbkTable> table;
  static std::once_flag once;
  std::call_once(once, [] {
    table = std::make_unique<GbkTable>();
    FillGbkForwardTable(table.get());
    // Reverse half: the first GBK code of a character wins, so duplicates resolve the same
    // way on every system.
    for (int b = 0; b < 128; ++b) {
      char16_t u = table->single[b];
      if (u != 0 && table->fromUnicode[u] == 0) table->fromUnicode[u] = uint16_t(0x80 + b);
    }
    for (int lead = 0; lead < 126; ++lead) {
      for (int trail = 0; trail < 191; ++trail) {
        char16_t u = table->pair[lead][trail];
        if (u != 0 && table->fromUnicode[u] == 0)
          table->fromUnicode[u] = uint16_t((0x81 + lead) << 8 | (0x40 + trail));
      }
    }
    for (int c = 0; c < 0x80; ++c) table->fromUnicode[c] = uint16_t(c);
  });
  return *table;
}

bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsGbkTrail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Reads one code point at `i` and advances; an unpaired surrogate is returned as itself.
char32_t NextCodePoint(std::u16string_view text, size_t* i) {
  char32_t c = text[(*i)++];
  if (IsHighSurrogate(c) && *i < text.size() && IsLowSurrogate(text[*i])) {
    c = 0x10000 + ((c - 0xD800) << 10) + (text[(*i)++] - 0xDC00);
  }
  return c;
}

void AppendUtf16(std::u16string* out, char32_t c) {
  if (c < 0x10000) {
    out->push_back(char16_t(c));
  } else {
    c -= 0x10000;
    out->push_back(char16_t(0xD800 + (c >> 10)));
    out->push_back(char16_t(0xDC00 + (c & 0x3FF)));
  }
}

}  // namespace

size_t GbkCharLength(std::string_view text, size_t pos) {
  if (pos + 1 < text.size() && IsGbkLead(text[pos]) && IsGbkTrail(text[pos + 1])) return 2;
  return 1;
}

std::u16string GbkToUtf16(std::string_view gbk) {
  const GbkTable& table = Table();
  std::u16string out;
  out.reserve(gbk.size());
  for (size_t i = 0; i < gbk.size();) {
    unsigned char b = gbk[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
    } else if (GbkCharLength(gbk, i) == 2) {
      char16_t u = table.pair[b - 0x81][(unsigned char)gbk[i + 1] - 0x40];
      out.push_back(u ? u : u'?');
      i += 2;
    } else {
      char16_t u = table.single[b - 0x80];
      out.push_back(u ? u : u'?');
      ++i;
    }
  }
  return out;
}

std::string Utf16ToGbk(std::u16string_view text, std::string_view replacement) {
  const GbkTable& table = Table();
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size();) {
    char32_t c = NextCodePoint(text, &i);
    uint16_t code = c < 0x10000 && !IsHighSurrogate(c) && !IsLowSurrogate(c) ? table.fromUnicode[c] : 0;
    if (c == 0) {
      out.push_back('\0');
    } else if (code == 0) {
      out.append(replacement);
    } else if (code < 0x100) {
      out.push_back(char(code));
    } else {
      out.push_back(char(code >> 8));
      out.push_back(char(code & 0xFF));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char b = utf8[i];
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    size_t j = i + 1;
    for (; j < i + 1 + extra; ++j) {
      if (j >= utf8.size() || (static_cast<unsigned char>(utf8[j]) & 0xC0) != 0x80) break;
      c = c << 6 | (utf8[j] & 0x3F);
    }
    static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    bool complete = j == i + 1 + extra;
    if (!complete || c < kMinimum[extra] || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) {
      out.push_back(0xFFFD);
      i = j;  // the lead and whatever continuation bytes it had
      continue;
    }
    AppendUtf16(&out, c);
    i = j;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size();) {
    char32_t c = NextCodePoint(text, &i);
    if (IsHighSurrogate(c) || IsLowSurrogate(c)) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | c >> 6));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | c >> 12));
      out.push_back(char(0x80 | (c >> 6 & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | c >> 18));
      out.push_back(char(0x80 | (c >> 12 & 0x3F)));
      out.push_back(char(0x80 | (c >> 6 & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string GbkToUtf8(std::string_view gbk) { return Utf16ToUtf8(GbkToUtf16(gbk)); }

std::string Utf8ToGbk(std::string_view utf8, std::string_view replacement) {
  return Utf16ToGbk(Utf8ToUtf16(utf8), replacement);
}
