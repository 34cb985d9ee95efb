// The client's cookies: an ordered list of name/value pairs, names exactly as they were cut
// out of a cookie text (so most carry a leading blank). A plain value: the client guards it
// by copying it and swapping a whole new jar in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CookiePair {
  std::string name;
  std::string value;
  bool operator==(const CookiePair& other) const { return name == other.name && value == other.value; }
};

struct CookieJar {
  std::vector<CookiePair> pairs;  // duplicates allowed; lookups take the first
};

// Appends every "name=value" piece of a ";"-separated cookie text, nothing trimmed; pieces
// without exactly one "=" are skipped.
void ParseCookieText(CookieJar& jar, std::string_view cookieText);
// The value of the first pair named exactly `name`; empty when there is none.
std::string GetCookie(const CookieJar& jar, std::string_view name);
// Replaces the value of the first pair named `name`, or appends the pair.
void SetCookie(CookieJar& jar, std::string_view name, std::string_view value);

// "pt2gguin=...; uin=...; skey=...; ptisp=...; RK=...; ptcz=...; ptwebqq=...", missing
// cookies with empty values; B adds p_uin, p_skey, pt4_token and pgv_pvid.
std::string BuildCookieStringA(const CookieJar& jar);
std::string BuildCookieStringB(const CookieJar& jar);
