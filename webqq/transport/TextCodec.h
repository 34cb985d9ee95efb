// Text tools shared by every reply parser and request builder of the protocol client.
// Texts are GBK byte strings; positions are 1-based byte positions, and a search never
// matches on part of a double-byte character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Position of the first `needle` at or after `start`, or -1. A start below 1 counts as 1.
int64_t FindText(std::string_view text, std::string_view needle, int64_t start = 1,
                 bool ignoreCase = false);

// The non-empty text between the first `left` at or after `start` and the next `right`.
// `*nextPos` gets the position just after `right`, or -1 when there is no such value.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int64_t start = 1, int64_t* nextPos = nullptr);

// TextBetween without `nextPos`, with "#引号" in the delimiters standing for a double quote,
// searched ignoring the case of ASCII letters unless `caseSensitive`.
std::string TextBetweenQuoteMarked(std::string_view text, std::string_view left,
                                   std::string_view right, int64_t start = 1,
                                   bool caseSensitive = false);

// Both stop at the first NUL. Characters without a GBK form become "?".
std::string Utf8ToLocal(std::string_view bytes);
std::string LocalToUtf8(std::string_view text);

// UTF-8 form of `text`, every byte other than 0-9, A-Z, a-z as %XX.
std::string UrlEncode(std::string_view text);

// Every \uXXXX (either case of u) replaced by the GBK form of that code unit, trailing
// blanks trimmed; nothing when the unit has no GBK form.
std::string UnescapeUnicode(std::string_view text);

// Hexadecimal digits of either case; every other character counts as the digit -2.
// Wraps modulo 2^64 on overflow.
int64_t HexToNumber(std::string_view text);

// Between `count` and `maximum` (just `count` when `maximum` is not larger) random digits.
std::string RandomDigits(int count, int maximum = 0);

// Milliseconds since 1970-01-01 08:00 local time, the milliseconds themselves random.
std::string TimeStamp();

// The "hash" value of the contact list requests; empty when `qq` is empty.
std::string FriendListHash(std::string_view qq, std::string_view ptwebqq);
