#include "engine/FriendVerification.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/FakeRobotClient.h"

namespace {

struct Outcome {
  int action;  // 0: nothing sent
  bool refreshed;
  const char* decisionLine;  // "" when none
};

struct PolicyCase {
  const char* name;
  int mode;
  const char* whiteList;
  const char* blackList;
  Outcome outcome;
};

class Verification : public ::testing::Test {
 protected:
  void Run(const RobotSettings& settings, const std::string& account, const std::string& message) {
    FriendListRefresher refresher([this] { ++refreshes; });
    VerificationServices services{{settings.nickname, &client}, &client, &log, &refresher};
    HandleFriendVerification(services, settings, account, "u7", message);
    refresher.WaitIdle();
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (const LogRow& row : log.Rows()) {
      EXPECT_EQ(row.source, "验证");
      lines.insert(lines.begin(), row.content);  // oldest first
    }
    return lines;
  }
  FakeRobotClient client;
  MessageLog log;
  std::atomic<int> refreshes{0};
};

TEST_F(Verification, PolicyTable) {
  const PolicyCase kCases[] = {
      {"ignore, even white-listed", 0, ";10001;", ";;", {0, false, "已忽略10001的添加。"}},
      {"accept and add", 1, ";;", ";;", {1, true, "已添加10001为好友。"}},
      {"accept", 2, ";;", ";;", {2, false, "已同意10001的添加。"}},
      {"refuse", 3, ";;", ";;", {3, false, "已拒绝10001的添加。"}},
      {"refuse all but the white list", 3, ";9;10001;", ";;", {1, true, "已添加10001为好友。"}},
      {"black list refuses", 1, ";;", ";10001;", {3, false, "已拒绝10001的添加。"}},
      {"black list beats accept", 2, ";;", ";10001;", {3, false, "已拒绝10001的添加。"}},
      {"white list beats black list", 2, ";10001;", ";10001;", {1, true, "已添加10001为好友。"}},
      {"a longer number is not a member", 3, ";100012;", ";;", {3, false, "已拒绝10001的添加。"}},
      {"unknown code: sent, no line", 7, ";;", ";;", {7, false, ""}},
  };
  for (const PolicyCase& c : kCases) {
    client.friendReplies.clear();
    log.ClearLog();
    refreshes = 0;
    RobotSettings settings;
    settings.verifyMode = c.mode;
    settings.verifyWhiteList = c.whiteList;
    settings.verifyBlackList = c.blackList;
    Run(settings, "10001", "我是小明");
    std::vector<std::string> expected = {"10001添加您为好友。附加信息：我是小明"};
    if (*c.outcome.decisionLine) expected.push_back(c.outcome.decisionLine);
    EXPECT_EQ(Lines(), expected) << c.name;
    EXPECT_EQ(refreshes.load(), c.outcome.refreshed ? 1 : 0) << c.name;
    if (c.outcome.action == 0) {
      EXPECT_TRUE(client.friendReplies.empty()) << c.name;
    } else {
      ASSERT_EQ(client.friendReplies.size(), 1u) << c.name;
      EXPECT_EQ(client.friendReplies[0].action, c.outcome.action) << c.name;
    }
  }
}

TEST_F(Verification, BothTemplatesAreFilledForEveryReply) {
  client.nicknames["u7"] = "小明";
  RobotSettings settings;
  settings.verifyMode = 3;
  settings.verifyRefuseReason = "你好[QName]，我不加陌生人";
  settings.verifyRemark = "[QQNumber]（[Kw]）";
  settings.verifyCategory = 2;
  Run(settings, "10001", "");
  ASSERT_EQ(client.friendReplies.size(), 1u);
  const FriendReply& reply = client.friendReplies[0];
  EXPECT_EQ(reply.reason, "你好小明，我不加陌生人");
  EXPECT_EQ(reply.remark, "10001（）");  // the request's number, though u7 has none
  EXPECT_EQ(reply.category, 2);
  EXPECT_EQ(Lines().front(), "10001添加您为好友");
}

TEST_F(Verification, UnreadableAccountIsNotOnAnEmptyList) {
  RobotSettings settings;
  settings.verifyMode = 3;
  settings.verifyWhiteList = ";;";
  Run(settings, "", "");
  ASSERT_EQ(client.friendReplies.size(), 1u);
  EXPECT_EQ(client.friendReplies[0].action, 3);
}

TEST(FriendListRefresher, RequestsDuringARefreshShareOneMoreRun) {
  std::atomic<int> runs{0};
  std::atomic<bool> release{false};
  FriendListRefresher refresher([&] {
    ++runs;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  refresher.Request();
  while (runs == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  for (int i = 0; i < 5; ++i) refresher.Request();
  release = true;
  refresher.WaitIdle();
  EXPECT_EQ(runs.load(), 2);
  refresher.Request();
  refresher.WaitIdle();
  EXPECT_EQ(runs.load(), 3);
}

}  // namespace
