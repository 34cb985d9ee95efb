#include "webqq/transport/CookieJar.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using Pairs = std::vector<CookiePair>;

TEST(ParseCookieText, KeepsNamesAsCutAndSkipsOddPieces) {
  struct Case { const char* text; Pairs pairs; };
  const Case cases[] = {
      {"a=1; b=2; ", {{"a", "1"}, {" b", "2"}}},   // the blank stays in front of the name
      {"x=a=b; y=1; ", {{" y", "1"}}},             // a value holding "=" is not taken
      {"e=; f=2", {{"e", ""}, {" f", "2"}}},       // an empty value is a value
      {"=v; ", {{"", "v"}}},
      {"; ", {}},                                  // what a Set-Cookie without ";" leaves
      {"", {}},
      {"novalue; k=v;", {{" k", "v"}}},
      {"名=宋体; ", {{"名", "宋体"}}},
  };
  for (const Case& c : cases) {
    CookieJar jar;
    ParseCookieText(jar, c.text);
    EXPECT_EQ(jar.pairs, c.pairs) << c.text;
  }
}

TEST(ParseCookieText, AppendsToWhatIsThere) {
  CookieJar jar;
  ParseCookieText(jar, "a=1; ");
  ParseCookieText(jar, "a=2; b=3; ");
  EXPECT_EQ(jar.pairs, (Pairs{{"a", "1"}, {"a", "2"}, {" b", "3"}}));
}

TEST(GetCookie, FirstExactNameWins) {
  CookieJar jar;
  ParseCookieText(jar, "a=1; b=2; a=3; ");
  EXPECT_EQ(GetCookie(jar, "a"), "1");
  EXPECT_EQ(GetCookie(jar, " a"), "3");
  EXPECT_EQ(GetCookie(jar, " b"), "2");
  EXPECT_EQ(GetCookie(jar, "b"), "");  // blanks count
  EXPECT_EQ(GetCookie(jar, "A"), "");  // and so does case
  EXPECT_EQ(GetCookie(CookieJar{}, "a"), "");
}

TEST(SetCookie, ReplacesTheFirstOrAppends) {
  CookieJar jar{{{"a", "1"}, {"b", "2"}, {"a", "3"}}};
  SetCookie(jar, "a", "9");
  SetCookie(jar, "VerifyPic", "verifysession=x; ");
  EXPECT_EQ(jar.pairs, (Pairs{{"a", "9"}, {"b", "2"}, {"a", "3"}, {"VerifyPic", "verifysession=x; "}}));
}

TEST(BuildCookieString, EmptyJarStillNamesEveryCookie) {
  EXPECT_EQ(BuildCookieStringA(CookieJar{}), "pt2gguin=; uin=; skey=; ptisp=; RK=; ptcz=; ptwebqq=");
  EXPECT_EQ(BuildCookieStringB(CookieJar{}),
            "pt2gguin=; uin=; skey=; ptisp=; RK=; ptcz=; ptwebqq=; p_uin=; p_skey=; pt4_token=; "
            "pgv_pvid=");
}

TEST(BuildCookieString, TakesValuesByTheirBlankedNames) {
  CookieJar jar;
  ParseCookieText(jar, "pt2gguin=o0123; uin=o0123; skey=@AbC; ");
  ParseCookieText(jar, "uin=wrong; ptwebqq=pw; p_skey=ps; ");  // this "uin" has no blank
  jar.pairs.push_back({" pgv_pvid", "42"});
  EXPECT_EQ(BuildCookieStringA(jar),
            "pt2gguin=o0123; uin=o0123; skey=@AbC; ptisp=; RK=; ptcz=; ptwebqq=pw");
  EXPECT_EQ(BuildCookieStringB(jar),
            "pt2gguin=o0123; uin=o0123; skey=@AbC; ptisp=; RK=; ptcz=; ptwebqq=pw; p_uin=; "
            "p_skey=ps; pt4_token=; pgv_pvid=42");
}

TEST(CookieJar, IsAPlainValueToCopyAndSwap) {
  CookieJar shared;
  ParseCookieText(shared, "a=1; ");
  CookieJar fresh;
  ParseCookieText(fresh, "pt2gguin=new; ");
  const CookieJar snapshot = shared;
  std::swap(shared, fresh);
  EXPECT_EQ(GetCookie(shared, "pt2gguin"), "new");
  EXPECT_EQ(GetCookie(snapshot, "a"), "1");
  EXPECT_EQ(GetCookie(fresh, "a"), "1");
}

}  // namespace
