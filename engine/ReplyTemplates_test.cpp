#include "engine/ReplyTemplates.h"

#include <gtest/gtest.h>

#include "engine/EngineText.h"
#include "engine/FakeRobotClient.h"

namespace {

class Templates : public ::testing::Test {
 protected:
  void SetUp() override {
    client.nicknames["u1"] = "小明";
    client.locations["u1"] = "中国北京";
    client.qqNumbers["u1"] = "10001";
  }
  FakeRobotClient client;
  TemplateSources sources{"小助手", &client};
};

TEST_F(Templates, ChatForm) {
  struct Case {
    const char* text;
    const char* message;
    const char* uin;
    const char* filled;
  } const kCases[] = {
      {"你好[kw]", "早", "u1", "你好早"},
      {"[ZUVONAME]版本[vN]", "", "u1", "小助手版本V2.0.83"},
      {"[QName]来自[QLocation]，号码[QQNumber]", "", "u1", "小明来自中国北京，号码10001"},
      {"[QName]来自[QLocation]", "", "未知", "来自"},
      {"[sk][br][/14][Gaia]", "x", "u1", "[sk][br][/14][Gaia]"},
      // An earlier value is searched by the later steps.
      {"你说：[Kw]", "[QName]在吗", "u1", "你说：小明在吗"},
      {"[Kw][Kw]", "[Kw]", "u1", "[Kw][Kw]"},
      {"[Q[Kw]", "Name]", "u1", "小明"},
      {"没有模板词", "", "u1", "没有模板词"},
      // A "[" that is the second byte of a character is not a template word: 乕 is 81 5B.
      {"\x81[Kw]", "早", "u1", "\x81[Kw]"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(FillReplyTemplates(sources, c.text, c.message, c.uin, nullptr), c.filled) << c.text;
  }
}

TEST_F(Templates, LookupsAreMadeOnEveryCall) {
  FillReplyTemplates(sources, "没有模板词", "", "u1", nullptr);
  EXPECT_EQ(client.strangerCalls, 2);
  EXPECT_EQ(client.lookupCalls, 1);
  std::string account = "20002";
  FillReplyTemplates(sources, "", "", "u1", &account);
  EXPECT_EQ(client.strangerCalls, 4);
  EXPECT_EQ(client.lookupCalls, 1);  // the request names the number itself
}

TEST_F(Templates, FriendRequestFormUsesTheRequestsNumber) {
  std::string account = "20002";
  EXPECT_EQ(FillReplyTemplates(sources, "[QQNumber]:[Kw]", "加我", "无此人", &account), "20002:加我");
}

TEST(EngineText, SplitRule) {
  using Pieces = std::vector<std::string_view>;
  EXPECT_EQ(SplitAtDelimiter("", "\r\n"), Pieces{});
  EXPECT_EQ(SplitAtDelimiter("\r\na\r\n\r\nb", "\r\n"), (Pieces{"", "a", "", "b"}));
  EXPECT_EQ(SplitAtDelimiter("a\r\n", "\r\n"), (Pieces{"a"}));
}

TEST(EngineText, TrimSpacesStepsOverCharacters) {
  EXPECT_EQ(TrimSpaces(" \xA1\xA1 早安\xA1\xA1 "), "早安");
  EXPECT_EQ(TrimSpaces("\t早安 "), "\t早安");
  // B0 A1 is one character; the A1 after it is a lone byte, not half of a full-width space.
  EXPECT_EQ(TrimSpaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(TrimSpaces("\xA1\xA1"), "");
}

}  // namespace
