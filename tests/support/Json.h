// A small JSON reader for tests that inspect what the simulator recorded. Texts stay UTF-8.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

struct JsonValue {
  enum class Kind { Null, Bool, Number, Text, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;                            // Array
  std::vector<std::pair<std::string, JsonValue>> members;  // Object, in file order

  // A missing member or index gives a shared null value, so lookups chain safely.
  const JsonValue& operator[](const std::string& key) const;
  const JsonValue& operator[](size_t index) const;
  size_t size() const { return kind == Kind::Array ? items.size() : members.size(); }
  bool Has(const std::string& key) const;
};

// False when `text` is not one complete JSON value.
bool ParseJson(const std::string& text, JsonValue* value);
