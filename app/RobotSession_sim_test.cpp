// The real client, the engine and a thesaurus against the simulator: one message of each
// kind comes in and its reply goes out, with the message-view lines the user reads.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SimControl.h"
#include "app/ClientBridge.h"
#include "engine/Thesaurus.h"
#include "webqq/UinBookLink.h"
#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"
#include "zuvo/platform/Text.h"

namespace {

bool HasRow(const MessageLog& log, const std::string& content) {
  for (const LogRow& row : log.Rows()) {
    if (row.source == "消息" && row.content == content) return true;
  }
  return false;
}

TEST(RobotSession, EveryKindIsAnsweredFromAThesaurus) {
  ASSERT_FALSE(SimBaseUrl().empty()) << "run through tools/with-sim";
  UinBookLink::SetLibraryPath(RunDirectory() + UINBOOK_RELATIVE_PATH);
  SimPost("/__sim/reset", "{}");
  SimPost("/__sim/poll_hold", R"({"seconds":1})");
  SimPost("/__sim/accounts", R"({"qq":"10001","password":"pw","nick":"Tester","lnick":""})");
  SimPost("/__sim/friends", R"({"uin":"2001","qq":"20001","nick":"Tom","markname":"","category":0,"vip":false})");
  SimPost("/__sim/friends", R"({"uin":"2002","qq":"20002","nick":"Ann","markname":"","category":0,"vip":false})");
  SimPost("/__sim/groups", R"({"gid":"3001","code":"4001","number":"50001","name":"Fans","markname":""})");
  SimPost("/__sim/discussions", R"({"did":"6001","name":"Chat"})");

  const std::string runDirectory = RunDirectory() + "\\session" + std::to_string(RandomBetween(0, 1 << 30));
  ASSERT_TRUE(CreateFolderTree(runDirectory + "\\Thesaurus"));
  ASSERT_TRUE(ReplaceWholeFile(runDirectory + "\\Thesaurus\\问候.zc", "#你好\r\n你好呀\r\n"));
  ASSERT_TRUE(ReplaceWholeFile(runDirectory + "\\Thesaurus\\syck.txt", "问候\r\n"));

  WebQQClient client(SimServiceAddresses());
  ASSERT_EQ(client.Login("10001", "pw"), "登录成功!");
  ASSERT_TRUE(client.Login2(kStatusOnline));
  std::vector<GroupEntry> groups;
  std::vector<DiscussionEntry> discussions;
  ASSERT_TRUE(client.LoadGroups(&groups));
  ASSERT_TRUE(client.LoadDiscussions(&discussions));
  ClientBridge bridge(client);
  bridge.SetContactLists(groups, discussions);
  MessageLog log;
  SendPacing pacing;
  pacing.textDelayMs = 50;
  {
    RobotEngine robot(runDirectory, bridge, log, RobotHooks(), pacing);
    LoadActiveThesauri(runDirectory, &robot.thesauri);
    client.SetEventHandlers(RobotEventHandlers(robot));
    ToggleRobot(robot);

    const std::string hello = ",\"text\":" + SimJsonText("你好") + "}";  // control calls take UTF-8
    const std::string events[] = {
        R"({"type":"message","from":"2001")" + hello,
        R"({"type":"group_message","group":"3001","from":"2002")" + hello,
        R"({"type":"sess_message","group":"3001","from":"2002")" + hello,
        R"({"type":"discu_message","did":"6001","from":"2002")" + hello,
    };
    for (const std::string& event : events) ASSERT_EQ(SimPost("/__sim/events", event).find("error"), std::string::npos);
    for (int i = 0; i < 200 && SimGet("/__sim/sent").size() < 4; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (int i = 0; i < 40 && log.RowCount() < 9; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    client.Stop();
    ToggleRobot(robot);
  }

  JsonValue sent = SimGet("/__sim/sent");
  ASSERT_EQ(sent.size(), 4u);
  for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(sent[i]["text"].text, GbkToUtf8("你好呀"));
  const char* rows[] = {
      "接收至：20001：内容：你好",
      "发送至：20001：内容：你好呀",
      "接收至群：50001：成员：20002：内容：你好",
      "发送至群：50001：内容：你好呀",
      "接收至群：50001：成员：20002：临时会话：内容：你好",
      "发送至群：50001：成员：20002：临时会话：内容：你好呀",
      "接收至讨论组：Chat：成员：20002：内容：你好",
      "发送至讨论组：Chat：内容：你好呀",
  };
  for (const char* row : rows) EXPECT_TRUE(HasRow(log, row)) << row;
  RemoveFolderTree(runDirectory);
}

}  // namespace
