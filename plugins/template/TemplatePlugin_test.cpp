// The built TemplatePlugin.zpl, loaded by path and driven through the engine's handlers.
#include <gtest/gtest.h>

#include "engine/FakeRobotClient.h"
#include "engine/RobotEngine.h"
#include "pluginhost/HostFunctions.h"
#include "pluginhost/PluginManager.h"
#include "zuvo/platform/Process.h"

namespace {

class TemplatePlugin : public ::testing::Test {
 protected:
  TemplatePlugin() : engine(RunDirectory(), client, log, WithPluginNotifications({}, plugins)) {
    client.nicknames = {{"123", "Tom"}, {"789", "小明"}};
    BindPluginHost(&engine);
    id = LoadPlugin(plugins, RunDirectory() + "\\..\\run\\libzpl\\TemplatePlugin.zpl", true);
  }
  ~TemplatePlugin() override {
    UnloadAllPlugins(plugins);
    BindPluginHost(nullptr);
  }

  PluginList plugins;
  FakeRobotClient client;
  MessageLog log;
  RobotEngine engine;
  int32_t id = 0;
};

TEST_F(TemplatePlugin, IsAnExtensionPluginWithSettingsAndItsRecord) {
  ASSERT_NE(id, 0);
  PluginEntry entry;
  ASSERT_TRUE(plugins.FindById(id, &entry));
  EXPECT_FALSE(IsSystemPlugin(entry.info));
  EXPECT_NE(entry.info.hasSettings, 0);
  EXPECT_EQ(entry.texts.description, "TemplatePlugin！");
  std::string info = BuildPluginInfoText(plugins, id);
  EXPECT_EQ(info.substr(0, info.find("\r\n")), "插件名称：TemplatePlugin (1.0版)");
}

TEST_F(TemplatePlugin, EchoesIntoTheConversationTheMessageCameFrom) {
  ASSERT_NE(id, 0);
  engine.robotRunning = true;
  HandleChatEvent(engine, 1, "456", "123", "你好[/14][br]");
  HandleChatEvent(engine, 2, "456", "789", "在吗");
  HandleChatEvent(engine, 0, "999", "999", "[sk]嗨");  // no nickname known
  std::vector<OutgoingMessage> items = engine.queue.Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].kind, 1);
  EXPECT_EQ(items[0].target, "456");
  EXPECT_EQ(items[0].content, "Tom发来了消息你好[/14][br]");
  EXPECT_EQ(items[1].kind, 2);
  EXPECT_EQ(items[1].target, "789");
  EXPECT_EQ(items[1].sessionGroup, "456");
  EXPECT_EQ(items[1].content, "小明发来了消息在吗");
  EXPECT_EQ(items[2].content, "发来了消息嗨");
  EXPECT_TRUE(items[2].shake);
}

TEST_F(TemplatePlugin, SeesNothingWhileTheRobotIsStopped) {
  ASSERT_NE(id, 0);
  HandleChatEvent(engine, 0, "123", "123", "你好");
  EXPECT_EQ(client.strangerCalls, 0);
  EXPECT_EQ(engine.queue.Size(), 0u);
}

TEST_F(TemplatePlugin, RefusesEveryFriendRequestWithHhaBeforeThePolicy) {
  ASSERT_NE(id, 0);
  engine.robotRunning = true;
  RobotSettings settings;
  settings.verifyMode = 2;  // the policy accepts
  engine.settings.Set(settings);
  HandleFriendRequest(engine, "10009", "u9", "加我");
  ASSERT_GE(client.friendReplies.size(), 1u);
  const FriendReply& refusal = client.friendReplies[0];
  EXPECT_EQ(refusal.action, 3);
  EXPECT_EQ(refusal.account, "10009");
  EXPECT_EQ(refusal.remark, "0");
  EXPECT_EQ(refusal.category, 0);
  EXPECT_EQ(refusal.reason, "hha");
}

}  // namespace
