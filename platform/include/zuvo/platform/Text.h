// Code-page conversion at the program's edges. Every text inside the program is GBK
// (code page 936); UTF-16 is for Win32 calls, UTF-8 for the wire, Linux file names and
// the terminal. The conversions are the same code on every system: only the GBK table
// comes from the platform (the system's code page 936 on Windows, iconv elsewhere).
#pragma once

#include <string>
#include <string_view>

// Invalid or unmapped bytes each become U+003F '?'.
std::u16string GbkToUtf16(std::string_view gbk);

// A code point without a GBK form becomes `replacement` (may be empty). A surrogate pair
// is one code point; an unpaired surrogate has no GBK form.
std::string Utf16ToGbk(std::u16string_view text, std::string_view replacement = "?");

// Malformed UTF-8 (bad lead, missing continuation, overlong, surrogate, above U+10FFFF)
// becomes U+FFFD, one per offending byte sequence.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8, std::string_view replacement = "?");

// Length in bytes of the GBK character that starts at `text[pos]`: 2 for a lead byte
// (0x81-0xFE) followed by a valid trail byte (0x40-0xFE except 0x7F), else 1.
size_t GbkCharLength(std::string_view text, size_t pos);
