#include "engine/RobotEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/EngineTestSupport.h"
#include "engine/FakeRobotClient.h"

namespace {

using Lines = std::vector<std::string>;

bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
  int64_t end = SteadyMilliseconds() + milliseconds;
  while (!condition()) {
    if (SteadyMilliseconds() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void FillContacts(FakeRobotClient* client) {
  client->qqNumbers = {{"u1", "10001"}, {"u2", "10002"}};
  client->groupCodes = {{"g1", "c1"}};
  client->groupNumbers = {{"c1", "50001"}};
  client->discussions = {{"d1", "闲聊组"}};
}

struct PluginCall {
  int kind;
  std::string content;
  bool running;
};

class Dispatch : public ::testing::Test {
 protected:
  explicit Dispatch(SendPacing pacing = {5, 1})
      : robot(run.path(), client, log, Hooks(), pacing) {
    FillContacts(&client);
  }
  RobotHooks Hooks() {
    RobotHooks hooks;
    hooks.notifyPluginsMessage = [this](int kind, const std::string&, const std::string&,
                                        const std::string& content, bool running) {
      pluginCalls.push_back({kind, content, running});
    };
    hooks.setStartCaption = [this](const std::string& caption) { captions.push_back(caption); };
    return hooks;
  }
  // Oldest first, "source|content".
  Lines LogLines() {
    Lines lines;
    for (const LogRow& row : log.Rows()) lines.insert(lines.begin(), row.source + "|" + row.content);
    return lines;
  }
  Lines MessageLines() {
    Lines lines;
    for (const std::string& line : LogLines()) {
      if (line.rfind("消息|", 0) == 0) lines.push_back(line.substr(line.find('|') + 1));
    }
    return lines;
  }
  void UseThesaurus(const std::string& content) {
    run.WriteThesaurus("词库", content);
    robot.thesauri.Set({"词库"});
  }
  bool Drained() {
    return WaitFor([this] { return robot.queue.Size() == 0; });
  }

  TestRunDirectory run;
  FakeRobotClient client;
  MessageLog log;
  std::vector<PluginCall> pluginCalls;
  Lines captions;
  RobotEngine robot;
};

TEST_F(Dispatch, StoppedRobotShowsAndNotifiesButDoesNotReply) {
  UseThesaurus("#你好\r\n在\r\n");
  struct Case {
    int kind;
    const char* source;
    const char* sender;
    const char* line;
  } const kCases[] = {
      {0, "u1", "u1", "接收至：10001：内容：你好"},
      {1, "g1", "u2", "接收至群：50001：成员：10002：内容：你好"},
      {2, "g1", "u2", "接收至群：50001：成员：10002：临时会话：内容：你好"},
      {3, "d1", "u2", "接收至讨论组：闲聊组：成员：10002：内容：你好"},
      {1, "g9", "u9", "接收至群：：成员：：内容：你好"},
  };
  for (const Case& c : kCases) {
    log.ClearLog();
    HandleChatEvent(robot, c.kind, c.source, c.sender, "你好");
    EXPECT_EQ(MessageLines(), Lines{c.line}) << c.kind;
  }
  log.ClearLog();
  HandleChatEvent(robot, 9, "x", "y", "你好");
  EXPECT_TRUE(log.Rows().empty());
  ASSERT_EQ(pluginCalls.size(), 6u);
  EXPECT_FALSE(pluginCalls[0].running);
  EXPECT_EQ(robot.queue.Size(), 0u);
  EXPECT_FALSE(QueueMessage(robot, 0, "u1", "", "插件消息"));
  EXPECT_EQ(robot.queue.Size(), 0u);
}

TEST(DispatchRules, ShakeKeyword) {
  struct Case {
    const char* reply;
    const char* content;
    bool shake;
  } const kCases[] = {
      {"[sk]", "", true},
      {"你好[sk][sk]", "你好", true},
      {"[SK]你好", "[SK]你好", false},
      {"[Sk]", "[Sk]", false},
      {"[s[sk]k]", "[sk]", true},
      {"\x81[sk]", "\x81[sk]", false},  // the "[" is the second byte of a character
  };
  for (const Case& c : kCases) {
    OutgoingMessage item;
    TakeOutShakeKeyword(c.reply, &item);
    EXPECT_EQ(item.content, c.content) << c.reply;
    EXPECT_EQ(item.shake, c.shake) << c.reply;
  }
}

TEST(DispatchRules, Blocking) {
  struct Case {
    const char* name;
    int kind;
    const char* displayId;
    bool RobotSettings::*switchOff;  // null: all on
    bool blocked;
  } const kCases[] = {
      {"friend on the list", 0, "10001", nullptr, true},
      {"friend not on the list", 0, "10003", nullptr, false},
      {"unresolved friend against ;;", 0, "", nullptr, true},
      {"friend switch off", 0, "10003", &RobotSettings::friendEnabled, true},
      {"group on the list", 1, "50001", nullptr, true},
      {"group switch off", 1, "50002", &RobotSettings::groupEnabled, true},
      {"temporary ignores the lists", 2, "10001", nullptr, false},
      {"temporary switch off", 2, "10003", &RobotSettings::tempEnabled, true},
      {"discussion ignores the lists", 3, "", nullptr, false},
      {"discussion switch off", 3, "组", &RobotSettings::discussionEnabled, true},
      {"other kinds never", 7, "", &RobotSettings::friendEnabled, false},
  };
  for (const Case& c : kCases) {
    RobotSettings settings;
    settings.ignoredQQ = ";;10001;";
    settings.ignoredGroups = ";50001;";
    if (c.switchOff) settings.*c.switchOff = false;
    EXPECT_EQ(IsBlocked(settings, c.kind, c.displayId), c.blocked) << c.name;
  }
}

TEST_F(Dispatch, OutgoingMessagePerKind) {
  struct Case {
    int kind;
    const char* source;
    const char* sender;
    OutgoingMessage expected;
  } const kCases[] = {
      {0, "u1", "u1", {0, "u1", "10001", "", "", false, 0}},
      {1, "g1", "u2", {1, "g1", "50001", "", "", false, 0}},
      {2, "g1", "u2", {2, "u2", "10002", "g1", "", false, 0}},
      {3, "d1", "u2", {3, "d1", "闲聊组", "", "", false, 0}},
      {3, "d9", "u2", {3, "d9", "", "", "", false, 0}},
      {5, "x", "y", {5, "x", "", "", "", false, 0}},
  };
  for (const Case& c : kCases) {
    OutgoingMessage item = BuildOutgoingMessage(client, c.kind, c.source, c.sender);
    EXPECT_EQ(item.target, c.expected.target) << c.kind;
    EXPECT_EQ(item.displayId, c.expected.displayId) << c.kind;
    EXPECT_EQ(item.sessionGroup, c.expected.sessionGroup) << c.kind;
  }
}

TEST_F(Dispatch, RepliesAreSentWithTheirViewLines) {
  UseThesaurus("#你好\r\n你好[QQNumber]\r\n#抖\r\n[sk]\r\n#[Gaia]\r\n\r\n");
  ToggleRobot(robot);
  struct Case {
    int kind;
    const char* source;
    const char* sender;
    const char* message;
    Lines lines;  // after the received line
  } const kCases[] = {
      {0, "u1", "u1", "你好", {"发送至：10001：内容：你好10001"}},
      {1, "g1", "u2", "你好", {"发送至群：50001：内容：你好10002"}},
      {2, "g1", "u2", "你好", {"发送至群：50001：成员：10002：临时会话：内容：你好10002"}},
      {3, "d1", "u2", "你好", {"发送至讨论组：闲聊组：内容：你好10002"}},
      {0, "u1", "u1", "抖", {"发送窗口抖动：10001"}},
      {0, "u1", "u1", "没有的", {}},
  };
  for (const Case& c : kCases) {
    log.ClearLog();
    int shakes = client.ShakeCalls(), sends = client.SendCalls();
    HandleChatEvent(robot, c.kind, c.source, c.sender, c.message);
    ASSERT_TRUE(Drained());
    ASSERT_TRUE(WaitFor([&] { return MessageLines().size() == 1 + c.lines.size(); }));
    Lines lines = MessageLines();
    lines.erase(lines.begin());
    EXPECT_EQ(lines, c.lines) << c.message << c.kind;
    bool shakeOnly = std::string(c.message) == "抖";
    EXPECT_EQ(client.SendCalls() - sends, shakeOnly || c.lines.empty() ? 0 : 1);
    EXPECT_EQ(client.ShakeCalls() - shakes, shakeOnly ? 1 : 0);
  }
  ToggleRobot(robot);
  std::vector<SentText> sent = client.SentTexts();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[2].target, "u2");
  EXPECT_EQ(sent[2].groupId, "g1");
  EXPECT_EQ(sent[0].font.name, "宋体");
}

TEST_F(Dispatch, IgnoredFriendGetsNothingEvenAShake) {
  UseThesaurus("#你好\r\n[sk]在\r\n");
  RobotSettings settings;
  settings.ignoredQQ = ";10001;";
  robot.settings.Set(settings);
  robot.robotRunning = true;  // queueing only, no worker
  HandleChatEvent(robot, 0, "u1", "u1", "你好");
  EXPECT_EQ(robot.queue.Size(), 0u);
  HandleChatEvent(robot, 2, "g1", "u1", "你好");  // temporary session: lists not consulted
  EXPECT_EQ(robot.queue.Size(), 1u);
  EXPECT_TRUE(QueueMessage(robot, 0, "u1", "", "插件说"));  // blocked, still true
  EXPECT_EQ(robot.queue.Size(), 1u);
  robot.robotRunning = false;
}

TEST_F(Dispatch, LearningCommandWithFriendRepliesOff) {
  RobotSettings settings;
  settings.friendEnabled = false;
  robot.settings.Set(settings);
  robot.robotRunning = true;
  HandleChatEvent(robot, 0, "u1", "u1", "/#早安/#早上好");
  EXPECT_EQ(robot.queue.Size(), 0u);
  EXPECT_EQ(run.Read(run.Thesaurus("自动记录词库")), "#早安\r\n早上好");
  HandleChatEvent(robot, 3, "d1", "u1", "/#晚安/#好梦");
  std::vector<OutgoingMessage> items = robot.queue.Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].content, "记录成功，发送[晚安]试试吧!");
  HandleChatEvent(robot, 3, "d1", "u1", "晚安");
  ASSERT_EQ(robot.queue.Size(), 2u);
  EXPECT_EQ(robot.queue.Items()[1].content, "好梦");
  robot.robotRunning = false;
}

TEST_F(Dispatch, SevenFailedAttemptsThenDroppedWithoutALine) {
  client.FailSends(-1);
  ToggleRobot(robot);
  EXPECT_TRUE(QueueMessage(robot, 0, "u1", "", "发不出去"));
  ASSERT_TRUE(Drained());
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ToggleRobot(robot);
  EXPECT_EQ(client.SendCalls(), 7);
  EXPECT_TRUE(MessageLines().empty());
}

TEST_F(Dispatch, FailedTextWithWorkingShakeIsNotRetried) {
  client.FailSends(-1);
  ToggleRobot(robot);
  QueueMessage(robot, 0, "u1", "", "文字[sk]");
  ASSERT_TRUE(Drained());
  ToggleRobot(robot);
  EXPECT_EQ(client.SendCalls(), 1);
  EXPECT_EQ(MessageLines(), Lines{"发送窗口抖动：10001"});
}

TEST_F(Dispatch, StopAndStartKeepQueueOrder) {
  client.FailSends(-1);
  ToggleRobot(robot);
  for (const char* text : {"一", "二", "三"}) QueueMessage(robot, 0, "u1", "", text);
  ASSERT_TRUE(WaitFor([this] { return client.SendCalls() >= 2; }));
  ToggleRobot(robot);
  std::vector<OutgoingMessage> items = robot.queue.Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].content, "一");
  EXPECT_GE(items[0].attempts, 1);
  client.FailSends(0);
  ToggleRobot(robot);
  ASSERT_TRUE(Drained());
  ToggleRobot(robot);
  Lines texts;
  for (const SentText& sent : client.SentTexts()) texts.push_back(sent.text);
  EXPECT_EQ(texts, (Lines{"一", "二", "三"}));
  EXPECT_EQ(captions, (Lines{"停止", "启动", "停止", "启动"}));
  Lines system;
  for (const std::string& line : LogLines()) {
    if (line.rfind("系统|", 0) == 0) system.push_back(line);
  }
  EXPECT_EQ(system, (Lines{"系统|机器人已启动，开始工作。", "系统|机器人已停止，暂停工作。",
                           "系统|机器人已启动，开始工作。", "系统|机器人已停止，暂停工作。"}));
}

TEST_F(Dispatch, RandomColourIsWrittenBackIntoTheSettings) {
  RobotSettings settings;
  settings.randomColor = true;
  settings.font.color = -1;  // no random colour can be this
  robot.settings.Set(settings);
  ToggleRobot(robot);
  QueueMessage(robot, 0, "u1", "", "彩色");
  ASSERT_TRUE(Drained());
  ToggleRobot(robot);
  std::vector<SentText> sent = client.SentTexts();
  ASSERT_EQ(sent.size(), 1u);
  int32_t color = robot.settings.Get().font.color;
  EXPECT_EQ(sent[0].font.color, color);
  EXPECT_GE(color, 0);
  EXPECT_LE(color, 0xFFFFFF);
}

class DispatchRealPacing : public Dispatch {
 protected:
  DispatchRealPacing() : Dispatch(SendPacing{}) {}
};

TEST_F(DispatchRealPacing, TextWaitsHalfASecondAndStopLeavesItAtTheHead) {
  ToggleRobot(robot);
  int64_t queued = SteadyMilliseconds();
  QueueMessage(robot, 0, "u1", "", "[sk]");
  ASSERT_TRUE(WaitFor([this] { return client.ShakeCalls() == 1; }));
  EXPECT_LT(SteadyMilliseconds() - queued, 400);  // a shake alone is not paced

  QueueMessage(robot, 0, "u1", "", "慢");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  int64_t stopping = SteadyMilliseconds();
  ToggleRobot(robot);  // inside the 500 ms wait
  EXPECT_LT(SteadyMilliseconds() - stopping, 300);
  ASSERT_EQ(robot.queue.Size(), 1u);
  EXPECT_EQ(robot.queue.Items()[0].attempts, 0);
  EXPECT_EQ(client.SendCalls(), 0);

  int64_t started = SteadyMilliseconds();
  ToggleRobot(robot);
  ASSERT_TRUE(WaitFor([this] { return client.SendCalls() == 1; }));
  EXPECT_GE(SteadyMilliseconds() - started, 490);
  ToggleRobot(robot);
}

TEST_F(Dispatch, FriendRequestsAndStatusEventsPassTheHooksWhetherRunningOrNot) {
  Lines seen;
  RobotHooks hooks;
  hooks.notifyPluginsFriendRequest = [&seen](const std::string& account, const std::string&,
                                             const std::string&, bool) { seen.push_back("plugin " + account); };
  hooks.notifyPluginsStatus = [&seen](int code, const std::string& text, bool) {
    seen.push_back("plugin " + std::to_string(code) + text);
  };
  hooks.handleSessionStatus = [&seen](int code, const std::string&) { seen.push_back("session " + std::to_string(code)); };
  RobotEngine engine(run.path(), client, log, hooks);
  RobotSettings settings;
  settings.verifyMode = 2;
  engine.settings.Set(settings);
  HandleFriendRequest(engine, "10009", "u9", "");
  HandleStatusEvent(engine, 121, "x");
  EXPECT_EQ(seen, (Lines{"plugin 10009", "plugin 121x", "session 121"}));
  ASSERT_EQ(client.friendReplies.size(), 1u);
  EXPECT_EQ(client.friendReplies[0].action, 2);
}

}  // namespace
