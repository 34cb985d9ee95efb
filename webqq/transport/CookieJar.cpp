#include "webqq/transport/CookieJar.h"

#include <iterator>

namespace {

// The leading blanks of the names supply the blank after each ";" of the cookie string.
constexpr std::string_view kNamesB[] = {"pt2gguin", " uin",  " skey",   " ptisp",
                                        " RK",      " ptcz", " ptwebqq", " p_uin",
                                        " p_skey",  " pt4_token", " pgv_pvid"};
constexpr size_t kCountA = 7;

const CookiePair* FindPair(const CookieJar& jar, std::string_view name) {
  for (const CookiePair& pair : jar.pairs) {
    if (pair.name == name) return &pair;
  }
  return nullptr;
}

std::string BuildCookieString(const CookieJar& jar, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) out.push_back(';');
    out.append(kNamesB[i]);
    out.push_back('=');
    if (const CookiePair* pair = FindPair(jar, kNamesB[i])) out.append(pair->value);
  }
  return out;
}

}  // namespace

// ";" and "=" lie below the range of GBK trail bytes, so plain byte searches split no
// character. A piece holding exactly one "=" splits into exactly two parts and is taken;
// "name=" is such a piece (an empty value), the trailing blank and values holding "=" are not.
void ParseCookieText(CookieJar& jar, std::string_view cookieText) {
  for (size_t begin = 0; begin <= cookieText.size();) {
    size_t end = cookieText.find(';', begin);
    if (end == std::string_view::npos) end = cookieText.size();
    const std::string_view piece = cookieText.substr(begin, end - begin);
    const size_t equals = piece.find('=');
    if (equals != std::string_view::npos && piece.find('=', equals + 1) == std::string_view::npos) {
      jar.pairs.push_back({std::string(piece.substr(0, equals)), std::string(piece.substr(equals + 1))});
    }
    begin = end + 1;
  }
}

std::string GetCookie(const CookieJar& jar, std::string_view name) {
  const CookiePair* pair = FindPair(jar, name);
  return pair ? pair->value : std::string();
}

void SetCookie(CookieJar& jar, std::string_view name, std::string_view value) {
  for (CookiePair& pair : jar.pairs) {
    if (pair.name == name) {
      pair.value = value;
      return;
    }
  }
  jar.pairs.push_back({std::string(name), std::string(value)});
}

std::string BuildCookieStringA(const CookieJar& jar) { return BuildCookieString(jar, kCountA); }

std::string BuildCookieStringB(const CookieJar& jar) {
  return BuildCookieString(jar, std::size(kNamesB));
}
