// The form in which the client and the account settings hold a password.
#pragma once

#include <string>
#include <string_view>

// RC4 of `data` under `key` (empty key: `data` unchanged).
std::string Rc4(std::string_view key, std::string_view data);

// Each byte as upper-case hex without leading zero, joined by ",", then every byte of
// that text enciphered on its own with RC4 under "Kog".
std::string ScramblePassword(std::string_view text);
// The reverse; any input gives some text (items read with HexToNumber, zero bytes dropped).
std::string UnscramblePassword(std::string_view scrambled);
