#include "Json.h"

#include <cstdlib>

namespace {

const JsonValue& NullValue() {
  static const JsonValue null;
  return null;
}

struct Reader {
  const std::string& text;
  size_t pos = 0;

  void SkipBlanks() {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n')) ++pos;
  }
  bool Take(char c) {
    SkipBlanks();
    if (pos < text.size() && text[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
  bool Word(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (text.compare(pos, n, word) != 0) return false;
    pos += n;
    return true;
  }
  static void AppendUtf8(std::string* out, unsigned code) {
    if (code < 0x80) {
      out->push_back(char(code));
    } else if (code < 0x800) {
      out->push_back(char(0xC0 | code >> 6));
      out->push_back(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out->push_back(char(0xE0 | code >> 12));
      out->push_back(char(0x80 | (code >> 6 & 0x3F)));
      out->push_back(char(0x80 | (code & 0x3F)));
    } else {
      out->push_back(char(0xF0 | code >> 18));
      out->push_back(char(0x80 | (code >> 12 & 0x3F)));
      out->push_back(char(0x80 | (code >> 6 & 0x3F)));
      out->push_back(char(0x80 | (code & 0x3F)));
    }
  }
  bool Hex4(unsigned* code) {
    if (pos + 4 > text.size()) return false;
    *code = unsigned(std::strtoul(text.substr(pos, 4).c_str(), nullptr, 16));
    pos += 4;
    return true;
  }
  bool String(std::string* out) {
    if (!Take('"')) return false;
    while (pos < text.size()) {
      char c = text[pos++];
      if (c == '"') return true;
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (pos >= text.size()) return false;
      char e = text[pos++];
      static const std::string kPlain = "\"\\/bfnrt", kMeaning = "\"\\/\b\f\n\r\t";
      size_t k = kPlain.find(e);
      if (k != std::string::npos) {
        out->push_back(kMeaning[k]);
      } else if (e == 'u') {
        unsigned code;
        if (!Hex4(&code)) return false;
        if (code >= 0xD800 && code <= 0xDBFF && text.compare(pos, 2, "\\u") == 0) {
          pos += 2;
          unsigned low;
          if (!Hex4(&low)) return false;
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, code);
      } else {
        return false;
      }
    }
    return false;
  }
  bool Value(JsonValue* value) {
    SkipBlanks();
    if (pos >= text.size()) return false;
    char c = text[pos];
    if (c == '{') return Object(value);
    if (c == '[') return Array(value);
    if (c == '"') {
      value->kind = JsonValue::Kind::Text;
      return String(&value->text);
    }
    if (Word("true") || Word("false")) {
      value->kind = JsonValue::Kind::Bool;
      value->boolean = c == 't';
      return true;
    }
    if (Word("null")) return true;
    char* end = nullptr;
    value->number = std::strtod(text.c_str() + pos, &end);
    if (end == text.c_str() + pos) return false;
    value->kind = JsonValue::Kind::Number;
    pos = size_t(end - text.c_str());
    return true;
  }
  bool Array(JsonValue* value) {
    value->kind = JsonValue::Kind::Array;
    Take('[');
    if (Take(']')) return true;
    do {
      value->items.emplace_back();
      if (!Value(&value->items.back())) return false;
    } while (Take(','));
    return Take(']');
  }
  bool Object(JsonValue* value) {
    value->kind = JsonValue::Kind::Object;
    Take('{');
    if (Take('}')) return true;
    do {
      std::string key;
      SkipBlanks();
      if (!String(&key) || !Take(':')) return false;
      value->members.emplace_back(std::move(key), JsonValue());
      if (!Value(&value->members.back().second)) return false;
    } while (Take(','));
    return Take('}');
  }
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
  for (const auto& [name, member] : members) {
    if (name == key) return member;
  }
  return NullValue();
}

const JsonValue& JsonValue::operator[](size_t index) const {
  return kind == Kind::Array && index < items.size() ? items[index] : NullValue();
}

bool JsonValue::Has(const std::string& key) const {
  for (const auto& member : members) {
    if (member.first == key) return true;
  }
  return false;
}

bool ParseJson(const std::string& text, JsonValue* value) {
  *value = JsonValue();
  Reader reader{text};
  if (!reader.Value(value)) return false;
  reader.SkipBlanks();
  return reader.pos == text.size();
}
