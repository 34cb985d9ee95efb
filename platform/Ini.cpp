// The private-profile rules, as the system applies them when it reads a file:
// - lines end at CR, LF or CR LF; blanks at both ends of a line are ignored, and the blank
//   set is space, tab, VT, FF, CR, LF and ^Z (the ideographic space is text);
// - a line starting with "[" and holding a "]" names a section: the text up to the last "]",
//   trimmed; lines before the first header form a section with an empty name;
// - any other non-blank line is a key: the name before the first "=", the value after it,
//   both trimmed; a line without "=" is a key without a value (it reads as the default);
//   ";" and "#" lines are not special;
// - only the first section of a name is searched, and its first line naming the key wins;
// - names compare like C strings (up to a NUL) without ASCII case, by GBK character, so a
//   trail byte that happens to be a letter is never folded;
// - a value wholly inside matching " or ' loses them; it is cut at a NUL and to fit the
//   10,240-byte buffer, never in the middle of a GBK character.
// Lookups walk the text instead of building an index, so a hostile file costs time in
// proportion to its size and no memory beyond its text.
#include "zuvo/platform/Ini.h"

#include <climits>

#include "zuvo/platform/File.h"
#include "zuvo/platform/Text.h"

namespace {

bool IsIniBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
         c == '\x1a';
}

std::string_view TrimIniBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsIniBlank(text[begin])) ++begin;
  while (end > begin && IsIniBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string_view UpToNul(std::string_view text) {
  size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIniName(std::string_view a, std::string_view b) {
  a = UpToNul(a);
  b = UpToNul(b);
  if (a.size() != b.size()) return false;
  size_t pos = 0;
  while (pos < a.size()) {
    if (GbkCharLength(a, pos) == 2) {
      if (a.compare(pos, 2, b.substr(pos, 2)) != 0) return false;
      pos += 2;
    } else {
      if (FoldAscii(a[pos]) != FoldAscii(b[pos])) return false;
      ++pos;
    }
  }
  return true;
}

// One line of the text: [begin, contentEnd) is the line without its terminator, `next`
// where the following line starts.
struct IniLine {
  size_t begin = 0;
  size_t contentEnd = 0;
  size_t next = 0;
  bool isHeader = false;
  bool isBlank = false;
  bool hasValue = false;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // trimmed, valid when hasValue
};

// The last "]" that is a character of its own: 0x5D is also a GBK trail byte.
size_t FindLastCloseBracket(std::string_view text) {
  size_t found = std::string_view::npos;
  for (size_t pos = 0; pos < text.size(); pos += GbkCharLength(text, pos)) {
    if (text[pos] == ']') found = pos;
  }
  return found;
}

void ClassifyLine(std::string_view content, IniLine* line) {
  std::string_view trimmed = TrimIniBlanks(content);
  line->isBlank = trimmed.empty();
  if (line->isBlank) return;
  if (trimmed.front() == '[') {
    size_t close = FindLastCloseBracket(trimmed);
    if (close != std::string_view::npos) {
      line->isHeader = true;
      line->name = TrimIniBlanks(trimmed.substr(1, close - 1));
      return;
    }
  }
  size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) {
    line->name = trimmed;
    return;
  }
  line->hasValue = true;
  line->name = TrimIniBlanks(trimmed.substr(0, equals));
  line->value = TrimIniBlanks(trimmed.substr(equals + 1));
}

// Reads the line at `pos`; false at the end of the text.
bool ReadIniLine(std::string_view text, size_t pos, IniLine* line) {
  if (pos >= text.size()) return false;
  *line = IniLine();
  line->begin = pos;
  size_t end = text.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) end = text.size();
  line->contentEnd = end;
  size_t next = end;
  if (next < text.size() && text[next] == '\r') ++next;
  if (next < text.size() && text[next] == '\n') ++next;
  line->next = next;
  ClassifyLine(text.substr(pos, end - pos), line);
  return true;
}

// Where the first section called `section` lies: its header line (none for the unnamed
// section at the top) and the lines up to the next header.
struct IniSectionSpan {
  bool found = false;
  size_t bodyBegin = 0;
  size_t end = 0;               // start of the next header, or the text's end
  size_t afterLastLine = 0;     // just after the last non-blank line (header included)
  bool lastLineEnded = true;    // that line has a terminator
};

IniSectionSpan FindIniSection(std::string_view text, std::string_view section) {
  IniSectionSpan span;
  section = TrimIniBlanks(UpToNul(section));
  bool inside = section.empty();
  span.found = inside;
  IniLine line;
  size_t pos = 0;
  while (ReadIniLine(text, pos, &line)) {
    if (line.isHeader) {
      if (inside) {
        span.end = line.begin;
        return span;
      }
      if (SameIniName(line.name, section)) {
        inside = true;
        span.found = true;
        span.bodyBegin = line.next;
        span.afterLastLine = line.next;
        span.lastLineEnded = line.next > line.contentEnd;
      }
    } else if (inside && !line.isBlank) {
      span.afterLastLine = line.next;
      span.lastLineEnded = line.next > line.contentEnd;
    }
    pos = line.next;
  }
  span.end = text.size();
  return span;
}

bool FindIniKey(std::string_view text, const IniSectionSpan& span, std::string_view key,
                IniLine* found) {
  IniLine line;
  size_t pos = span.bodyBegin;
  while (pos < span.end && ReadIniLine(text, pos, &line)) {
    if (!line.isBlank && SameIniName(line.name, key)) {
      *found = line;
      return true;
    }
    pos = line.next;
  }
  return false;
}

std::string_view StripEnclosingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string FitIniBuffer(std::string_view value) {
  const size_t limit = kIniValueBufferSize - 1;
  if (value.size() <= limit) return std::string(value);
  size_t pos = 0;
  while (pos < value.size()) {
    size_t length = GbkCharLength(value, pos);
    if (pos + length > limit) break;
    pos += length;
  }
  return std::string(value.substr(0, pos));
}

bool IsWritableIniName(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A name ending in a GBK lead byte would swallow the closing "]" of its header.
bool IsWritableSectionName(std::string_view name) {
  std::string header = "[" + std::string(name) + "]";
  return IsWritableIniName(name) && FindLastCloseBracket(header) == header.size() - 1;
}

std::string OneLineValue(std::string_view value) {
  std::string line(UpToNul(value));
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

int ParseIniInt(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  long long number = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    number = number * 10 + (text[pos++] - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) break;  // clamps below
  }
  if (negative) number = -number;
  if (number > INT_MAX) return INT_MAX;
  if (number < INT_MIN) return INT_MIN;
  return static_cast<int>(number);
}

}  // namespace

bool IniFile::Load(std::string_view path) {
  path_ = path;
  text_.clear();
  if (!ReadWholeFile(path, &text_)) {
    text_.clear();
    return false;
  }
  return true;
}

std::string IniFile::Get(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const {
  IniSectionSpan span = FindIniSection(text_, section);
  IniLine line;
  bool found = span.found && FindIniKey(text_, span, TrimIniBlanks(UpToNul(key)), &line);
  if (!found || !line.hasValue) {
    return FitIniBuffer(defaultValue);
  }
  return FitIniBuffer(StripEnclosingQuotes(UpToNul(line.value)));
}

int IniFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
  std::string text = Get(section, key, "");
  return text.empty() ? defaultValue : ParseIniInt(text);
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string_view name = TrimIniBlanks(UpToNul(key));
  std::string_view sectionName = TrimIniBlanks(UpToNul(section));
  // A key holding "=" or starting with "[" would read back as something else.
  if (name.empty() || name.find('=') != std::string_view::npos || name.front() == '[' ||
      !IsWritableIniName(name) || !IsWritableSectionName(sectionName)) {
    return false;
  }
  std::string valueLine = OneLineValue(value);
  IniSectionSpan span = FindIniSection(text_, sectionName);
  IniLine line;
  if (span.found && FindIniKey(text_, span, name, &line)) {
    std::string replacement = std::string(line.name) + "=" + valueLine;
    text_.replace(line.begin, line.contentEnd - line.begin, replacement);
    return true;
  }
  std::string keyLine = std::string(name) + "=" + valueLine + "\r\n";
  if (span.found) {
    if (!span.lastLineEnded) keyLine.insert(0, "\r\n");
    text_.insert(span.afterLastLine, keyLine);
    return true;
  }
  if (!text_.empty() && text_.back() != '\n' && text_.back() != '\r') text_ += "\r\n";
  text_ += "[" + std::string(sectionName) + "]\r\n" + keyLine;
  return true;
}

bool IniFile::Save() const { return ReplaceWholeFile(path_, text_); }

std::string ReadIniText(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view defaultValue) {
  IniFile file;
  file.Load(path);
  return file.Get(section, key, defaultValue);
}

int ReadIniInt(std::string_view path, std::string_view section, std::string_view key,
               int defaultValue) {
  IniFile file;
  file.Load(path);
  return file.GetInt(section, key, defaultValue);
}

bool WriteIniText(std::string_view path, std::string_view section, std::string_view key,
                  std::string_view value) {
  IniFile file;
  if (!file.Load(path) && PathExists(path)) return false;
  std::string before = file.Text();
  if (!file.Set(section, key, value)) return false;
  if (file.Text() == before && PathExists(path)) return true;
  return file.Save();
}
