// MD5 (RFC 1321), for the login hash.
#pragma once

#include <string>
#include <string_view>

// The 16 raw digest bytes.
std::string Md5(std::string_view bytes);

// Every byte as two upper-case hexadecimal digits.
std::string ToHexUpper(std::string_view bytes);
