// Text scanning shared by the engine: GBK-aware word replacement and the piece splitting
// that the thesaurus reader and the list files use. Positions never fall inside a
// double-byte character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Replaces every occurrence of `word` that starts at a character boundary by `value` and
// returns how many there were; the inserted values are not searched again. `word` must be
// ASCII; `ignoreAsciiCase` compares A-Z and a-z as equal. The text is rebuilt only on a hit.
size_t ReplaceWordEverywhere(std::string* text, std::string_view word, std::string_view value,
                             bool ignoreAsciiCase);

// Pieces between delimiters: every delimiter ends a piece (empty pieces kept), the text after
// the last delimiter is a piece only when it is not empty. `delimiter` must begin with a byte
// below 0x40, which no GBK character contains, so a plain search is character-safe.
std::vector<std::string_view> SplitAtDelimiter(std::string_view text, std::string_view delimiter);

// True when `text` contains `needle` starting at a character boundary.
bool ContainsAtBoundary(std::string_view text, std::string_view needle);

// The text without leading and trailing ASCII spaces and full-width spaces (A1 A1).
std::string_view TrimSpaces(std::string_view text);

// Membership in a stored ";a;b;" list exactly as a byte search for ";" + item + ";": an empty
// item matches a list containing ";;".
bool ListTextHasItem(std::string_view list, std::string_view item);
