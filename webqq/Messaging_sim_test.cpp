// Sending, contact lists, lookups and friend-request answers against the simulator: what
// the client sends must decode there to what the robot meant. Texts posted to the simulator
// are UTF-8; the client's are GBK.
#include "webqq/WebQQClient.h"

#include <gtest/gtest.h>

#include "SimControl.h"
#include "engine/LongText.h"
#include "webqq/MessageText.h"
#include "webqq/UinBookLink.h"
#include "zuvo/platform/Process.h"
#include "zuvo/platform/Text.h"

namespace {

std::string Utf8(const std::string& gbk) { return GbkToUtf8(gbk); }

size_t RequestCount(const std::string& path) { return SimGet("/__sim/requests?path=" + path).size(); }

class MessagingSim : public testing::Test {
 protected:
  static void SetUpTestSuite() { UinBookLink::SetLibraryPath(RunDirectory() + UINBOOK_RELATIVE_PATH); }

  void SetUp() override {
    ASSERT_FALSE(SimBaseUrl().empty()) << "run through tools/with-sim";
    SimPost("/__sim/reset", "{}");
    SimPost("/__sim/poll_hold", R"({"seconds":1})");
    SimPost("/__sim/accounts", R"({"qq":"10001","password":"pw","nick":"Tester","lnick":"hello"})");
    SimPost("/__sim/categories", "{\"index\":1,\"sort\":1,\"name\":" + SimJsonText("同学") + "}");
    SimPost("/__sim/friends", R"({"uin":"2001","qq":"20001","nick":"Tom","markname":"","category":1,"vip":true})");
    SimPost("/__sim/friends", "{\"uin\":\"2002\",\"qq\":\"20002\",\"nick\":" + SimJsonText("小明") +
                                  ",\"markname\":" + SimJsonText("老同学") + ",\"category\":0,\"vip\":false}");
    SimPost("/__sim/groups", "{\"gid\":\"3001\",\"code\":\"4001\",\"number\":\"50001\",\"name\":" + SimJsonText("粉丝群") + "}");
    SimPost("/__sim/discussions", R"({"did":"6001","name":"Chat"})");
    SimPost("/__sim/strangers", "{\"uin\":\"7001\",\"qq\":\"70001\",\"nick\":\"Jim\",\"country\":" + SimJsonText("中国") +
                                    ",\"province\":\"\",\"city\":" + SimJsonText("深圳") + "}");
    client.reset(new WebQQClient(SimServiceAddresses()));
    ASSERT_EQ(client->Login("10001", "pw"), "登录成功!");
    ASSERT_TRUE(client->Login2(kStatusOnline));
  }

  std::unique_ptr<WebQQClient> client;
};

TEST_F(MessagingSim, EveryKindArrivesAsTheRobotMeantIt) {
  struct Case { int kind; const char* target; const char* group; const char* to; const char* sentGroup; };
  const Case cases[] = {
      {0, "2001", "", "2001", ""}, {1, "3001", "", "3001", "3001"}, {2, "2001", "3001", "2001", "3001"}, {3, "6001", "", "6001", ""},
  };
  for (const Case& c : cases) {
    const size_t before = SimGet("/__sim/sent").size();
    ChatFont font;
    font.name = "";
    font.size = 0;
    font.color = 0xFF8000;
    ASSERT_TRUE(client->SendMessage(c.kind, c.target, "引号\"斜杠\\换行\r\n回车[br]脸[/14]hi[/]x", font, c.group)) << c.kind;
    EXPECT_EQ(font.name, "宋体");
    EXPECT_EQ(font.size, 9);
    JsonValue sent = SimGet("/__sim/sent");
    ASSERT_EQ(sent.size(), before + 1);
    const JsonValue& last = sent[before];
    SCOPED_TRACE("kind " + std::to_string(c.kind));
    EXPECT_EQ(last["kind"].number, c.kind);
    EXPECT_EQ(last["to"].text, c.to);
    EXPECT_EQ(last["group"].text, c.sentGroup);
    ASSERT_EQ(last["elements"].size(), 3u);
    EXPECT_EQ(last["elements"][0].text, Utf8("引号\"斜杠\\换行\n回车\r脸"));
    EXPECT_EQ(last["elements"][1]["face"].number, 14);
    EXPECT_EQ(last["elements"][2].text, "hi[/]x");  // the empty placeholder stays text
    EXPECT_EQ(last["font"]["name"].text, Utf8("宋体"));
    EXPECT_EQ(last["font"]["size"].text, "9");
    EXPECT_EQ(last["font"]["color"].text, "0080FF");
  }

  ChatFont font;
  size_t before = SimGet("/__sim/sent").size();
  EXPECT_TRUE(client->SendMessage(0, "2001", "[/14]hi", font, ""));
  JsonValue elements = SimGet("/__sim/sent")[before]["elements"];
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(elements[0].text, "");
  EXPECT_EQ(elements[1]["face"].number, 14);
  EXPECT_EQ(elements[2].text, "hi");

  EXPECT_FALSE(client->SendMessage(4, "2001", "hi", font, ""));
  EXPECT_EQ(SimGet("/__sim/sent").size(), before + 1);
  EXPECT_TRUE(client->Shake("2001"));
  EXPECT_EQ(SimGet("/__sim/shakes")[0]["to"].text, "2001");
}

TEST_F(MessagingSim, LongTextsAreRefusedWholeAndAcceptedInParts) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "长";
  ChatFont font;
  EXPECT_FALSE(client->SendMessage(0, "2001", text, font, ""));
  for (const std::string& part : SplitLongText(text)) EXPECT_TRUE(client->SendMessage(0, "2001", part, font, ""));
  JsonValue sent = SimGet("/__sim/sent");
  EXPECT_GT(sent.size(), 1u);
  std::string joined;
  for (size_t i = 0; i < sent.size(); ++i) joined += sent[i]["text"].text;
  EXPECT_EQ(joined, Utf8(text));
}

TEST_F(MessagingSim, ListsLookupsAndStrangers) {
  std::vector<FriendEntry> friends;
  std::vector<FriendCategory> categories;
  ASSERT_TRUE(client->LoadFriends(&friends, &categories));
  ASSERT_EQ(categories.size(), 2u);
  EXPECT_EQ(categories[0].name, "我的好友");
  EXPECT_EQ(categories[1].name, "同学");
  ASSERT_EQ(friends.size(), 2u);
  EXPECT_EQ(friends[0].nick, "Tom");
  EXPECT_TRUE(friends[0].vip);
  EXPECT_EQ(friends[1].nick, "小明");
  EXPECT_EQ(friends[1].markname, "老同学");

  std::vector<GroupEntry> groups;
  ASSERT_TRUE(client->LoadGroups(&groups));
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].name, "粉丝群");
  EXPECT_EQ(groups[0].gid, "3001");
  EXPECT_EQ(groups[0].code, "4001");
  std::vector<DiscussionEntry> discussions;
  ASSERT_TRUE(client->LoadDiscussions(&discussions));
  ASSERT_EQ(discussions.size(), 1u);
  EXPECT_EQ(discussions[0].name, "Chat");
  EXPECT_EQ(discussions[0].did, "6001");

  ASSERT_TRUE(UinBookLink::Shared().Loaded());
  size_t lookups = RequestCount("/api/get_friend_uin2");
  EXPECT_EQ(client->LookupQQNumber(0, "2002"), "20002");
  EXPECT_EQ(client->LookupQQNumber(1, "4001"), "50001");
  EXPECT_EQ(RequestCount("/api/get_friend_uin2"), lookups + 2);
  EXPECT_EQ(client->LookupQQNumber(0, "2002"), "20002");  // known now: no request
  EXPECT_EQ(client->LookupQQNumber(3, "6001"), "6001");   // a discussion is its own number
  EXPECT_EQ(RequestCount("/api/get_friend_uin2"), lookups + 2);

  EXPECT_EQ(client->GetStrangerInfo(0, "7001"), "Jim");
  EXPECT_EQ(client->GetStrangerInfo(1, "7001"), "中国深圳");
}

TEST_F(MessagingSim, FriendRequestAnswersAndTheSignature) {
  const std::string remark = "老张 & \"x\" 100%";
  client->ReplyFriendRequest(1, "80001", remark, 2, "");
  client->ReplyFriendRequest(2, "80002", "", 0, "");
  client->ReplyFriendRequest(3, "80003", "", 0, "不认识 \"你\"");
  size_t requests = SimGet("/__sim/requests").size();
  EXPECT_EQ(client->ReplyFriendRequest(4, "80004", "", 0, ""), "");
  EXPECT_EQ(SimGet("/__sim/requests").size(), requests);

  JsonValue answers = SimGet("/__sim/friend_answers");
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(answers[0]["action"].text, "allow_and_add");
  EXPECT_EQ(answers[0]["account"].text, "80001");
  EXPECT_EQ(answers[0]["gid"].text, "2");
  EXPECT_EQ(answers[0]["mname"].text, Utf8(remark));
  EXPECT_EQ(answers[1]["action"].text, "allow");
  EXPECT_EQ(answers[1]["account"].text, "80002");
  EXPECT_EQ(answers[2]["action"].text, "deny");
  EXPECT_EQ(answers[2]["msg"].text, Utf8("不认识 \"你\""));

  client->SetOwnLongNick("新签名 & 100%");
  EXPECT_EQ(SimGet("/__sim/long_nicks")[0]["lnick"].text, Utf8("新签名 & 100%"));
}

}  // namespace
