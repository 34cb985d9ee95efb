#include "pluginhost/HostFunctions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "PluginTestSupport.h"

namespace {

template <typename Function>
Function Host(int32_t n) {
  return reinterpret_cast<Function>(GetHostFunction(n));
}

auto SendMessageApi() { return Host<ZplApiSendMessageFunction>(ZplApiSendMessage); }
auto GetNumberApi() { return Host<ZplApiGetNumberFunction>(ZplApiGetNumber); }
auto StrangerInfoApi() { return Host<ZplApiGetStrangerInfoFunction>(ZplApiGetStrangerInfo); }
auto AddLogLineApi() { return Host<ZplApiAddLogLineFunction>(ZplApiAddLogLine); }
auto AnswerFriendApi() { return Host<ZplApiAnswerFriendRequestFunction>(ZplApiAnswerFriendRequest); }

class HostFunctions : public ::testing::Test {
 protected:
  HostFunctions() {
    bound.client.qqNumbers = {{"u1", "10001"}, {"u2", "10002"}};
    bound.client.groupNumbers = {{"c7", "70007"}};
    bound.client.nicknames = {{"u1", "Tom"}};
    bound.client.locations = {{"u1", "中国广东深圳"}};
  }
  PluginList plugins;
  BoundEngine bound{plugins};
};

TEST(GetHostFunction, GivesFiveDistinctAddressesAndZeroOutsideThem) {
  std::set<intptr_t> addresses;
  for (int32_t n = 0; n <= 4; ++n) {
    EXPECT_NE(GetHostFunction(n), 0) << n;
    addresses.insert(GetHostFunction(n));
  }
  EXPECT_EQ(addresses.size(), 5u);
  for (int32_t n : {5, -1, 1000, INT32_MIN}) EXPECT_EQ(GetHostFunction(n), 0) << n;
}

TEST(GetHostFunction, UnboundFunctionsAnswerTheirFailureValues) {
  EXPECT_EQ(SendMessageApi()(0, "u1", "", "hi"), 0);
  EXPECT_STREQ(GetNumberApi()(0, "u1"), "");
  EXPECT_STREQ(StrangerInfoApi()(0, "u1"), "");
  EXPECT_EQ(AddLogLineApi()("a", "b"), 0);
  EXPECT_STREQ(AnswerFriendApi()(3, "1", "0", 0, "x"), "");
}

TEST_F(HostFunctions, LookupsAnswerTheClientsValuesAndEmptyForUnknownTypes) {
  struct Case {
    const char* (*call)(int32_t, const char*);
    int32_t type;
    const char* id;
    const char* expected;
  } cases[] = {
      {GetNumberApi(), 0, "u1", "10001"},        {GetNumberApi(), 1, "c7", "70007"},
      {GetNumberApi(), 0, "unknown", ""},        {GetNumberApi(), 2, "u1", ""},
      {GetNumberApi(), 0, nullptr, ""},          {StrangerInfoApi(), 0, "u1", "Tom"},
      {StrangerInfoApi(), 1, "u1", "中国广东深圳"}, {StrangerInfoApi(), 7, "u1", ""},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.call(c.type, c.id), c.expected) << c.type << " " << (c.id ? c.id : "0");
}

TEST_F(HostFunctions, ResultsAreKeptPerThreadAndPerFunction) {
  const char* first = GetNumberApi()(0, "u1");
  const char* nick = StrangerInfoApi()(0, "u1");
  const char* otherThreads = nullptr;
  std::string seenOnOtherThread;
  std::thread other([&] {
    otherThreads = GetNumberApi()(0, "u2");
    seenOnOtherThread = otherThreads;
  });
  other.join();
  // Another thread's call and another function's call leave this thread's result alone.
  EXPECT_STREQ(first, "10001");
  EXPECT_STREQ(nick, "Tom");
  EXPECT_EQ(seenOnOtherThread, "10002");
  // The same function on the same thread replaces its result.
  EXPECT_STREQ(GetNumberApi()(0, "u2"), "10002");
  EXPECT_STREQ(GetNumberApi()(0, "unknown"), "");
}

TEST_F(HostFunctions, TwoThreadsKeepTheirResultsValidAtTheSameTime) {
  std::string results[2];
  std::thread threads[2];
  const char* uins[2] = {"u1", "u2"};
  std::atomic<int> ready{0};
  for (int i = 0; i < 2; ++i) {
    threads[i] = std::thread([&, i] {
      const char* mine = GetNumberApi()(0, uins[i]);
      ready.fetch_add(1);
      while (ready.load() < 2) std::this_thread::yield();  // both results exist now
      results[i] = mine;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(results[0], "10001");
  EXPECT_EQ(results[1], "10002");
}

TEST_F(HostFunctions, SendMessageQueuesOnlyWhileRunningAndKeepsTheSessionGroup) {
  EXPECT_EQ(SendMessageApi()(0, "u1", "", "stopped"), 0);
  EXPECT_EQ(bound.engine.queue.Size(), 0u);
  bound.engine.robotRunning = true;
  EXPECT_EQ(SendMessageApi()(2, "g9", "u2", "temporary"), 1);
  EXPECT_EQ(SendMessageApi()(0, "u1", "ignored member", "friend"), 1);
  EXPECT_EQ(SendMessageApi()(0, "u1", nullptr, nullptr), 1);  // empty: nothing to queue, still true
  auto items = bound.engine.queue.Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].kind, 2);
  EXPECT_EQ(items[0].target, "u2");
  EXPECT_EQ(items[0].sessionGroup, "g9");
  EXPECT_EQ(items[0].displayId, "10002");
  EXPECT_EQ(items[1].target, "u1");
  EXPECT_EQ(items[1].sessionGroup, "");
  EXPECT_EQ(items[1].content, "friend");
}

TEST_F(HostFunctions, FriendAnswersSendOnlyTheThreeActions) {
  EXPECT_STREQ(AnswerFriendApi()(9, "10009", "r", 2, "why"), "");
  EXPECT_STREQ(AnswerFriendApi()(0, "10009", "r", 2, "why"), "");
  EXPECT_TRUE(bound.client.friendReplies.empty());
  AnswerFriendApi()(3, "10009", "0", 0, "hha");
  AnswerFriendApi()(1, "10010", nullptr, 4, nullptr);
  ASSERT_EQ(bound.client.friendReplies.size(), 2u);
  EXPECT_EQ(bound.client.friendReplies[0].action, 3);
  EXPECT_EQ(bound.client.friendReplies[0].reason, "hha");
  EXPECT_EQ(bound.client.friendReplies[1].category, 4);
  EXPECT_EQ(bound.client.friendReplies[1].remark, "");
}

TEST_F(HostFunctions, AddLogLineWritesOneRow) {
  AddLogLineApi()("插件", "内容");
  AddLogLineApi()(nullptr, nullptr);
  ASSERT_EQ(bound.log.RowCount(), 2u);
  EXPECT_EQ(bound.log.Rows()[1].source, "插件");
  EXPECT_EQ(bound.log.Rows()[1].content, "内容");
  EXPECT_EQ(bound.log.Rows()[0].source, "");
}

}  // namespace
