// INI files with the behaviour of the Windows private-profile functions, the same code on
// every system. Section and key names match without regard to ASCII case; values come back
// trimmed, with one pair of enclosing quotes removed, and cut to fit a 10,240-byte buffer.
// Writes change one line and keep every other byte of the file. No function throws.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

// The buffer the values are read into: at most kIniValueBufferSize - 1 bytes come back.
inline constexpr size_t kIniValueBufferSize = 10240;

// A parsed file held in memory, for reading or writing many keys with one file access.
class IniFile {
 public:
  // False when the file cannot be read; the content is then empty (every key reads as its
  // default) and Save creates the file.
  bool Load(std::string_view path);
  void SetPath(std::string_view path) { path_ = path; }
  void SetText(std::string text) { text_ = std::move(text); }
  const std::string& Text() const { return text_; }

  // The value of the first line naming `key` in the first section named `section`;
  // `defaultValue` when there is none or that line has no "=".
  std::string Get(std::string_view section, std::string_view key,
                  std::string_view defaultValue) const;
  // Decimal with optional sign; an empty or missing value gives `defaultValue`, text that
  // does not start with a number gives 0.
  int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

  // Replaces the key's line, or adds the key at the end of its section, or adds the section
  // at the end. Line breaks in `value` become blanks so a value can never add lines. False
  // (nothing changed) for an empty key or names that could not be read back.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // Atomic replacement of the file given to Load or SetPath.
  bool Save() const;

 private:
  std::string path_;
  std::string text_;
};

std::string ReadIniText(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view defaultValue);
int ReadIniInt(std::string_view path, std::string_view section, std::string_view key,
               int defaultValue);
// A missing file is created (its folder must exist); a file that exists but cannot be
// read is left alone and gives false.
bool WriteIniText(std::string_view path, std::string_view section, std::string_view key,
                  std::string_view value);
