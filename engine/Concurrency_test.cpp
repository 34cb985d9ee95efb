// Five poll threads dispatching, a plug-in thread queueing, the worker sending and the start
// button flipping, all at once; meant to run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "engine/EngineTestSupport.h"
#include "engine/FakeRobotClient.h"
#include "engine/RobotEngine.h"

namespace {

TEST(EngineConcurrency, DispatchQueueSendAndToggleTogether) {
  TestRunDirectory run;
  run.WriteThesaurus("词库", "#[Kw]\r\n回[Kw]\r\n");
  FakeRobotClient client;
  client.qqNumbers = {{"u1", "10001"}};
  client.groupCodes = {{"g1", "c1"}};
  client.groupNumbers = {{"c1", "50001"}};
  client.discussions = {{"d1", "组"}};
  MessageLog log;
  RobotEngine robot(run.path(), client, log, {}, SendPacing{0, 1});
  robot.thesauri.Set({"词库"});
  RobotSettings settings;
  settings.randomColor = true;
  robot.settings.Set(settings);

  std::atomic<bool> done{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 5; ++t) {
    threads.emplace_back([&robot, t] {
      static const char* const kSources[] = {"u1", "g1", "g1", "d1"};
      for (int i = 0; i < 40; ++i) {
        int kind = (t + i) % 4;
        std::string text = "p" + std::to_string(t) + "-" + std::to_string(i);
        if (i % 10 == 0) text = "/#k" + text + "/#" + text;
        HandleChatEvent(robot, kind, kSources[kind], "u1", text);
      }
    });
  }
  threads.emplace_back([&robot] {
    for (int i = 0; i < 100; ++i) QueueMessage(robot, 0, "u1", "", "plugin-" + std::to_string(i));
  });
  std::thread toggler([&robot, &done] {
    while (!done) {
      ToggleRobot(robot);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  for (std::thread& thread : threads) thread.join();
  done = true;
  toggler.join();

  if (!robot.robotRunning) ToggleRobot(robot);
  int64_t end = SteadyMilliseconds() + 10000;
  while (robot.queue.Size() > 0 && SteadyMilliseconds() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ToggleRobot(robot);
  EXPECT_EQ(robot.queue.Size(), 0u);

  // Nothing sent twice, nothing torn.
  std::set<std::string> texts;
  for (const SentText& sent : client.SentTexts()) {
    EXPECT_TRUE(texts.insert(sent.text).second) << sent.text;
    EXPECT_TRUE(sent.text.rfind("回p", 0) == 0 || sent.text.rfind("plugin-", 0) == 0 ||
                sent.text.rfind("记录成功", 0) == 0)
        << sent.text;
  }
  for (const LogRow& row : log.Rows()) EXPECT_FALSE(row.content.empty());
}

}  // namespace
