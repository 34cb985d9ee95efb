// The "#百科" command against the simulator's encyclopedia pages: in-process through the
// plug-in's library (whose clipboard is this process's), and through the built
// LookupPlugin.zpl loaded by path as the robot loads it.
#include <gtest/gtest.h>

#include "Lookup.h"
#include "SimControl.h"
#include "engine/FakeRobotClient.h"
#include "engine/RobotEngine.h"
#include "pluginhost/HostFunctions.h"
#include "pluginhost/PluginManager.h"
#include "zuvo/platform/Clipboard.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"

namespace {

class Lookup : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The plug-in reads the site's address from the robot's run directory, which is ours.
    ASSERT_TRUE(ReplaceWholeFile(RunDirectory() + "\\ZuvoRobot.ini",
                                 "[Servers]\r\nEncyclopedia=" + SimBaseUrl() + "\r\n"));
    Entry(u8R"({"word":"电脑","lemma":"1234","description":"电脑是一种计算机器&amp;工具"})");
    Entry(u8R"({"word":"空白","lemma":"5678"})");
    Entry(u8R"({"word":"苹果","senses":[{"id":"21","description":"一种水果"},{"id":"22","description":"一家公司"}]})");
  }
  static void Entry(const std::string& json) { ASSERT_NE(SimPost("/__sim/encyclopedia", json), ""); }

  Lookup() : engine(RunDirectory(), client, log) {
    BindPluginHost(&engine);
    engine.robotRunning = true;
  }
  ~Lookup() override { BindPluginHost(nullptr); }

  int32_t Command(const std::string& content, int kind = 0, const char* source = "u1", const char* sender = "u1") {
    return LookupCommand(reinterpret_cast<ZplGetHostFunction>(&GetHostFunction), SimBaseUrl(), kind, source, sender,
                         content.c_str());
  }
  std::vector<std::string> Queued() {
    std::vector<std::string> texts;
    for (const OutgoingMessage& item : engine.queue.Items()) texts.push_back(item.target + ":" + item.content);
    return texts;
  }
  size_t SearchRequests() {
    JsonValue requests = SimGet("/__sim/requests?path=/search/word");
    return requests.kind == JsonValue::Kind::Array ? requests.size() : 0;
  }

  FakeRobotClient client;
  MessageLog log;
  RobotEngine engine;
};

TEST_F(Lookup, ThreeSpellingsOfTheCommandLookUpTheSameWord) {
  for (const char* content : {"#百科 电脑", "#百科电脑", "#百科　电脑　 "}) {
    std::string word;
    ASSERT_TRUE(ParseLookupCommand(content, &word)) << content;
    EXPECT_EQ(word, "电脑") << content;
  }
  size_t before = SearchRequests();
  EXPECT_EQ(Command("#百科　电脑"), 1);
  JsonValue requests = SimGet("/__sim/requests?path=/search/word");
  ASSERT_EQ(SearchRequests(), before + 1);
  EXPECT_NE(requests[requests.size() - 1]["query"].text.find("word=%E7%94%B5%E8%84%91&pic=1&sug=1&enc=utf8"),
            std::string::npos);
  // Character references are passed on as the page has them.
  EXPECT_EQ(Queued(), (std::vector<std::string>{"u1:电脑是一种计算机器&amp;工具"}));
  std::string clipboard;
  ASSERT_TRUE(GetClipboardText(&clipboard));
  EXPECT_EQ(clipboard, "/view/1234.htm");
}

TEST_F(Lookup, OtherMessagesAreIgnoredWithoutARequest) {
  size_t before = SearchRequests();
  for (const char* content : {"百科 电脑", " #百科 电脑", "#百", "", "＃百科 电脑"}) {
    std::string word;
    EXPECT_FALSE(ParseLookupCommand(content, &word)) << content;
    EXPECT_EQ(Command(content), 0) << content;
  }
  EXPECT_EQ(SearchRequests(), before);
  EXPECT_TRUE(Queued().empty());
}

TEST_F(Lookup, UnknownWordsGetTheNotFoundTextAndPagesWithoutDescriptionNoReply) {
  Command("#百科 不存在的词");
  Command("#百科 空白");
  EXPECT_EQ(Queued(), (std::vector<std::string>{"u1:百科尚未收录词条“不存在的词”"}));
}

TEST_F(Lookup, DisambiguationPagesFollowTheFirstSenseAndAnswerIntoTheGroup) {
  SetClipboardText("untouched");
  Command("#百科 苹果", 1, "g5", "u2");
  EXPECT_EQ(Queued(), (std::vector<std::string>{"g5:一种水果"}));
  std::string clipboard;
  ASSERT_TRUE(GetClipboardText(&clipboard));
  EXPECT_EQ(clipboard, "untouched");  // only the direct path goes to the clipboard
}

TEST_F(Lookup, StoppedRobotStillLooksUpButSendsNothing) {
  engine.robotRunning = false;
  size_t before = SearchRequests();
  EXPECT_EQ(Command("#百科 电脑"), 0);
  EXPECT_EQ(SearchRequests(), before + 1);
  EXPECT_TRUE(Queued().empty());
}

TEST_F(Lookup, TheBuiltPluginIsASystemPluginThatAnswersWhileStopped) {
  engine.robotRunning = false;
  PluginList plugins;
  std::string path = RunDirectory() + "\\..\\..\\run\\libzpl\\LookupPlugin.zpl";
  int32_t id = LoadPlugin(plugins, path, true);
  ASSERT_NE(id, 0) << path;
  PluginEntry entry;
  ASSERT_TRUE(plugins.FindById(id, &entry));
  EXPECT_TRUE(IsSystemPlugin(entry.info));
  EXPECT_EQ(entry.info.hasSettings, 0);
  EXPECT_EQ(BuildPluginInfoText(plugins, id).substr(0, std::string("插件名称：LookupPlugin (1.0版)").size()),
            "插件名称：LookupPlugin (1.0版)");
  EXPECT_EQ(entry.texts.otherInfo, "#百科 待查询的内容");
#ifdef _WIN32
  SetClipboardText("before");
#endif
  plugins.NotifyMessage(3, "d1", "u3", "#百科 电脑", false);  // a system plug-in sees it while stopped
  engine.robotRunning = true;
  plugins.NotifyMessage(0, "u1", "u1", "#百科 不存在的词", true);
  plugins.NotifyStatus(0, "", true);
  plugins.NotifyFriendRequest("1", "u", "", true);
  EXPECT_EQ(Queued(), (std::vector<std::string>{"u1:百科尚未收录词条“不存在的词”"}));
#ifdef _WIN32
  // On Windows the clipboard is the system's, so the DLL's write shows here.
  std::string clipboard;
  ASSERT_TRUE(GetClipboardText(&clipboard));
  EXPECT_EQ(clipboard, "/view/.htm");
#endif
  UnloadAllPlugins(plugins);
}

}  // namespace
