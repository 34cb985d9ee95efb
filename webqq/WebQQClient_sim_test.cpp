// The client against the service simulator: login, channel session, status, the poll
// chains and their stop. Texts posted to the simulator are UTF-8; the client's are GBK.
#include "webqq/WebQQClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimControl.h"
#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Text.h"

namespace {

const char kLoggedIn[] = "登录成功!";

JsonValue Requests(const std::string& path) { return SimGet("/__sim/requests?path=" + path); }

size_t RequestCount(const std::string& path) { return Requests(path).size(); }

JsonValue Statuses() { return SimGet("/__sim/statuses"); }

void AddAccount(const std::string& options = "") {
  SimPost("/__sim/accounts",
          "{\"qq\":\"10001\",\"password\":\"pw\",\"nick\":\"Tester\",\"lnick\":\"hello\"" + options + "}");
}

void PostEvent(const std::string& json) { ASSERT_NE(SimPost("/__sim/events", json), "") << json; }

void PostRaw(const std::string& reply) { PostEvent("{\"raw\":" + SimJsonText(reply) + "}"); }

// A captcha window that gives scripted answers and remembers the pictures it was shown.
class FakeCaptchaPrompt : public CaptchaPrompt {
 public:
  explicit FakeCaptchaPrompt(std::vector<CaptchaAnswer> answers) : answers_(std::move(answers)) {}
  CaptchaAnswer Ask(const std::string& qq, const std::string& picture) override {
    pictures.push_back(picture);
    askedFor = qq;
    if (answers_.empty()) return {CaptchaAnswer::Kind::Cancel, ""};
    CaptchaAnswer answer = answers_.front();
    answers_.erase(answers_.begin());
    return answer;
  }
  std::vector<std::string> pictures;
  std::string askedFor;

 private:
  std::vector<CaptchaAnswer> answers_;
};

// Everything the handlers were given, safe from the poll threads.
class EventLog {
 public:
  EventHandlers Handlers() {
    EventHandlers handlers;
    handlers.onChat = [this](const ChatEvent& e) { Add(chats, e); };
    handlers.onSystem = [this](const SystemNotice& e) { Add(systems, e); };
    handlers.onStatus = [this](const StatusNotice& e) {
      Add(statuses, e);
      if (onStatus) onStatus(e);
    };
    return handlers;
  }
  // Waits until `predicate` holds, at most `seconds`.
  bool WaitFor(const std::function<bool()>& predicate, double seconds = 10) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(int64_t(seconds * 1000)), predicate);
  }
  size_t ChatCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return chats.size();
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<ChatEvent> chats;
  std::vector<SystemNotice> systems;
  std::vector<StatusNotice> statuses;
  std::function<void(const StatusNotice&)> onStatus;  // runs outside the log's lock

 private:
  template <typename T>
  void Add(std::vector<T>& list, const T& event) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      list.push_back(event);
    }
    changed.notify_all();
  }
};

class WebQQClientSim : public testing::Test {
 protected:
  void SetUp() override {
    if (SimBaseUrl().empty()) GTEST_FAIL() << "ZUVO_SIM_URL is not set: run through tools/with-sim";
    SimPost("/__sim/reset", "{}");
    SimPost("/__sim/poll_hold", "{\"seconds\":1}");
  }
  // Logged in and polling with handlers.
  void LogIn(WebQQClient& client, EventLog& log) {
    client.SetEventHandlers(log.Handlers());
    ASSERT_EQ(client.Login("10001", "pw"), kLoggedIn);
    ASSERT_TRUE(client.Login2(kStatusOnline));
  }
};

TEST_F(WebQQClientSim, LoginWithoutCaptchaThenChannelLogin) {
  AddAccount();
  WebQQClient client(SimServiceAddresses());
  EXPECT_EQ(client.Login("10001", "pw"), kLoggedIn);
  const AccountProfile profile = client.GetAccountProfile();
  EXPECT_EQ(profile.qq, "10001");
  EXPECT_EQ(profile.nick, "Tester");
  EXPECT_EQ(profile.longNick, "hello");
  EXPECT_EQ(profile.avatar.substr(1, 3), "PNG");
  EXPECT_NE(GetCookie(client.CurrentSession()->jar, " ptwebqq"), "");
  EXPECT_NE(GetCookie(client.CurrentSession()->jar, " pgv_pvid"), "");
  EXPECT_FALSE(client.IsOnline());

  ASSERT_TRUE(client.Login2(kStatusBusy));
  EXPECT_TRUE(client.IsOnline());
  EXPECT_EQ(client.GetStatus(), kStatusBusy);
  const LoginTokens& tokens = client.CurrentSession()->tokens;
  EXPECT_NE(tokens.psessionid, "");
  EXPECT_NE(tokens.vfwebqq, "");
  EXPECT_TRUE(tokens.clientid.size() == 7 || tokens.clientid.size() == 8) << tokens.clientid;
  const JsonValue statuses = Statuses();
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_EQ(statuses[0]["status"].text, "busy");
  EXPECT_EQ(statuses[0]["via"].text, "login2");
}

TEST_F(WebQQClientSim, CaptchaAnsweredWithANewPictureFirst) {
  AddAccount(",\"captcha\":true,\"captcha_code\":\"WXYZ\"");
  WebQQClient client(SimServiceAddresses());
  FakeCaptchaPrompt prompt({{CaptchaAnswer::Kind::NewPicture, ""}, {CaptchaAnswer::Kind::Code, "wx yz"}});
  client.SetCaptchaPrompt(&prompt);
  EXPECT_EQ(client.Login("10001", "pw"), kLoggedIn);
  ASSERT_EQ(prompt.pictures.size(), 2u);
  EXPECT_EQ(prompt.askedFor, "10001");
  EXPECT_EQ(prompt.pictures[1].substr(1, 3), "PNG");
  const JsonValue pictures = Requests("/getimage");
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[0]["query"].text, pictures[1]["query"].text);  // one address for every picture
  EXPECT_TRUE(client.Login2(kStatusOnline));
}

TEST_F(WebQQClientSim, LoginFailuresGiveTheServiceText) {
  using Kind = CaptchaAnswer::Kind;
  struct Case {
    const char* name;
    const char* accountOptions;
    std::vector<CaptchaAnswer> answers;
    const char* password;
    const char* result;
  };
  const Case cases[] = {
      {"captcha cancelled", ",\"captcha\":true", {{Kind::Cancel, ""}}, "pw", "取消"},
      {"empty captcha code", ",\"captcha\":true", {{Kind::Code, "  "}}, "pw", "取消"},
      {"wrong captcha", ",\"captcha\":true", {{Kind::Code, "QQQQ"}}, "pw", "您输入的验证码不正确，请重新输入。"},
      {"wrong password", "", {}, "nope", "您输入的帐号或密码不正确，请重新输入。"},
      {"protected account", ",\"protected\":true", {}, "pw", "您的帐号暂时无法登录，请点击 这里 恢复正常使用。"},
  };
  for (const Case& c : cases) {
    SimPost("/__sim/reset", "{}");
    AddAccount(c.accountOptions);
    WebQQClient client(SimServiceAddresses());
    FakeCaptchaPrompt prompt(c.answers);
    client.SetCaptchaPrompt(&prompt);
    EXPECT_EQ(client.Login("10001", c.password), c.result) << c.name;
    EXPECT_EQ(GetCookie(client.CurrentSession()->jar, " ptwebqq"), "") << c.name;
    EXPECT_EQ(client.GetAccountProfile().qq, "") << c.name;
  }
}

TEST_F(WebQQClientSim, UnreachableServiceGivesAnEmptyResult) {
  ServiceAddresses nowhere;
  for (std::string* role : {&nowhere.loginPage, &nowhere.login, &nowhere.captcha, &nowhere.channel,
                            &nowhere.api, &nowhere.avatar}) {
    *role = "http://127.0.0.1:1";
  }
  WebQQClient client(nowhere);
  EXPECT_EQ(client.Login("10001", "pw"), "");
  EXPECT_FALSE(client.Login2(kStatusOnline));
  EXPECT_FALSE(client.IsOnline());
}

TEST_F(WebQQClientSim, LogoutChangeStatusAndReconnect) {
  AddAccount();
  EventLog log;  // outlives the client, whose chains call it
  WebQQClient client(SimServiceAddresses());
  LogIn(client, log);

  client.ChangeStatus(kStatusAway);
  EXPECT_TRUE(client.IsOnline());
  EXPECT_EQ(client.GetStatus(), kStatusAway);
  client.ChangeStatus(kStatusOffline);
  EXPECT_FALSE(client.IsOnline());
  EXPECT_EQ(client.GetStatus(), kStatusOffline);
  client.ChangeStatus(kStatusBusy);  // while offline: a new channel login
  EXPECT_TRUE(client.IsOnline());
  EXPECT_EQ(client.GetStatus(), kStatusBusy);

  JsonValue statuses = Statuses();
  const char* const expected[][2] = {
      {"online", "login2"}, {"away", "change_status2"}, {"offline", "change_status2"}, {"busy", "login2"}};
  ASSERT_EQ(statuses.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(statuses[i]["status"].text, expected[i][0]) << i;
    EXPECT_EQ(statuses[i]["via"].text, expected[i][1]) << i;
  }

  std::string message;
  EXPECT_EQ(client.Reconnect(&message), kStatusBusy);  // online: nothing to do
  EXPECT_EQ(message, kLoggedIn);
  EXPECT_EQ(Statuses().size(), 4u);

  client.Logout();
  EXPECT_FALSE(client.IsOnline());
  EXPECT_EQ(client.GetStatus(), kStatusOffline);
  const JsonValue logouts = Requests("/channel/logout2");
  ASSERT_EQ(logouts.size(), 1u);
  const std::string query = logouts[0]["query"].text;
  const size_t stampAt = query.rfind("&t");  // "&t" and the stamp at once, no "="
  ASSERT_NE(stampAt, std::string::npos) << query;
  const std::string stamp = query.substr(stampAt + 2);
  EXPECT_EQ(stamp.size(), 13u) << query;
  EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos) << query;
  EXPECT_NE(query.find("&psessionid=" + client.CurrentSession()->tokens.psessionid + "&t"), std::string::npos);

  message.clear();
  EXPECT_EQ(client.Reconnect(&message), kStatusOffline);
  EXPECT_EQ(message, kLoggedIn);
  EXPECT_TRUE(client.IsOnline());
  EXPECT_EQ(Statuses().size(), 5u);
}

TEST_F(WebQQClientSim, EveryMessageKindReachesTheChatHandler) {
  AddAccount();
  EventLog log;  // outlives the client, whose chains call it
  WebQQClient client(SimServiceAddresses());
  LogIn(client, log);
  PostEvent("{\"type\":\"message\",\"from\":\"2001\",\"text\":" + SimJsonText("你好") + "}");
  PostEvent("{\"type\":\"group_message\",\"group\":\"3001\",\"from\":\"2002\",\"elements\":[" +
            SimJsonText("看") + ",{\"face\":14},{\"offpic\":\"/a-b\"}," + SimJsonText("say \"hi\" C:\\dir\rend") + "]}");
  PostEvent("{\"type\":\"sess_message\",\"group\":\"3001\",\"from\":\"2003\",\"elements\":[{\"face\":1}]}");
  PostEvent("{\"type\":\"discu_message\",\"did\":\"6001\",\"from\":\"2004\",\"text\":\"hi\"}");
  ASSERT_TRUE(log.WaitFor([&] { return log.chats.size() >= 4; }));

  struct Expected { int kind; const char* source; const char* sender; const char* content; };
  const Expected expected[] = {
      {0, "2001", "2001", "你好"},
      {1, "3001", "2002", "看[/14][图片]say \"hi\" C:\\dir[br]end"},
      {2, "3001", "2003", "[/1]"},
      {3, "6001", "2004", "hi"},
  };
  std::lock_guard<std::mutex> lock(log.mutex);
  ASSERT_EQ(log.chats.size(), 4u);
  for (const Expected& want : expected) {
    bool found = false;
    for (const ChatEvent& got : log.chats) {
      if (got.kind != want.kind) continue;
      found = true;
      EXPECT_EQ(got.source, want.source) << want.kind;
      EXPECT_EQ(got.sender, want.sender) << want.kind;
      EXPECT_EQ(got.content, want.content) << want.kind;
    }
    EXPECT_TRUE(found) << want.kind;
  }
}

TEST_F(WebQQClientSim, EveryEventOfAReplyInOrderAndDuplicatesOnce) {
  AddAccount();
  EventLog log;  // outlives the client, whose chains call it
  WebQQClient client(SimServiceAddresses());
  LogIn(client, log);
  std::string multi, duplicates;
  ASSERT_TRUE(ReadWholeFile(std::string(WEBQQ_TESTDATA_DIR) + "/poll_multi_event_1.json", &multi));
  ASSERT_TRUE(ReadWholeFile(std::string(WEBQQ_TESTDATA_DIR) + "/poll_multi_event_dup_1.json", &duplicates));
  PostRaw(multi);
  PostRaw(duplicates);
  PostRaw(duplicates);  // the same messages in a second reply
  ASSERT_TRUE(log.WaitFor([&] { return log.chats.size() >= 6; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  std::lock_guard<std::mutex> lock(log.mutex);
  ASSERT_EQ(log.chats.size(), 6u);
  const char* const contents[] = {"888", "99", "ppp", "ooo"};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(log.chats[i].content, contents[i]) << i;
  EXPECT_EQ(log.chats[4].content, "不过得在gg下搜");
  EXPECT_EQ(log.chats[5].content, "就可以了");
}

TEST_F(WebQQClientSim, FriendRequestAndKick) {
  AddAccount();
  EventLog log;  // outlives the client, whose chains call it
  WebQQClient client(SimServiceAddresses());
  LogIn(client, log);
  PostEvent("{\"type\":\"system_message\",\"from\":\"2001\",\"account\":\"20001\",\"msg\":" +
            SimJsonText("我是小明") + "}");
  ASSERT_TRUE(log.WaitFor([&] { return log.systems.size() == 1; }));
  {
    std::lock_guard<std::mutex> lock(log.mutex);
    EXPECT_EQ(log.systems[0].account, "20001");
    EXPECT_EQ(log.systems[0].fromUin, "2001");
    EXPECT_EQ(log.systems[0].message, "我是小明");
  }
  SimPost("/__sim/kick", "{\"reason\":" + SimJsonText("您的帐号在另一地点登录，您已被迫下线。") + "}");
  // The kick and the lost login that follows it come on different chains, in either order.
  auto kicked = [&] {
    for (const StatusNotice& notice : log.statuses) {
      if (notice.code == 0) return true;
    }
    return false;
  };
  ASSERT_TRUE(log.WaitFor(kicked));
  std::lock_guard<std::mutex> lock(log.mutex);
  for (const StatusNotice& notice : log.statuses) {
    if (notice.code == 0) {
      EXPECT_EQ(notice.text, "您的帐号在另一地点登录，您已被迫下线。");
    }
  }
}

TEST_F(WebQQClientSim, Retcode102GoesOnAtOnceWithoutHandlerCalls) {
  AddAccount();
  EventLog log;  // outlives the client, whose chains call it
  WebQQClient client(SimServiceAddresses());
  LogIn(client, log);
  const size_t before = RequestCount("/channel/poll2");
  SimPost("/__sim/next_retcode", "{\"retcode\":102,\"count\":20}");
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  // Twenty answers at once, each followed by the next poll without a pause.
  EXPECT_GE(RequestCount("/channel/poll2"), before + 20);
  std::lock_guard<std::mutex> lock(log.mutex);
  EXPECT_TRUE(log.chats.empty() && log.statuses.empty() && log.systems.empty());
}

TEST_F(WebQQClientSim, FailingPollsBackOffAndStopEndsEvenAWait) {
  AddAccount();
  EventLog log;
  auto client = std::make_unique<WebQQClient>(SimServiceAddresses());
  LogIn(*client, log);
  SimPost("/__sim/faults", "{\"path\":\"/channel/poll2\",\"mode\":\"drop\",\"count\":1000}");
  std::this_thread::sleep_for(std::chrono::milliseconds(1300));  // the held polls come back
  const size_t before = RequestCount("/channel/poll2");
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
  const size_t during = RequestCount("/channel/poll2") - before;
  // Five chains waiting 1, 2, 4 ... seconds make a few requests each, not a busy loop.
  EXPECT_LE(during, 20u);
  EXPECT_GE(during, 5u);
  const int64_t started = SteadyMilliseconds();
  client.reset();
  EXPECT_LT(SteadyMilliseconds() - started, 1500);
}

TEST_F(WebQQClientSim, LostLoginWaitsAndReconnectBringsPollingBack) {
  AddAccount();
  EventLog log;  // outlives the client, whose chains call it
  WebQQClient client(SimServiceAddresses());
  LogIn(client, log);
  SimPost("/__sim/next_retcode", "{\"retcode\":121}");
  ASSERT_TRUE(log.WaitFor([&] { return !log.statuses.empty(); }));
  {
    std::lock_guard<std::mutex> lock(log.mutex);
    EXPECT_EQ(log.statuses[0].code, 121);
    EXPECT_EQ(log.statuses[0].text, "{\"retcode\":121,\"t\":\"0\"}");
  }
  EXPECT_FALSE(client.IsOnline());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // held polls end, chains wait
  const size_t waiting = RequestCount("/channel/poll2");
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  EXPECT_EQ(RequestCount("/channel/poll2"), waiting);

  std::string message;
  client.Reconnect(&message);
  EXPECT_EQ(message, kLoggedIn);
  PostEvent("{\"type\":\"message\",\"from\":\"2001\",\"text\":\"back\"}");
  ASSERT_TRUE(log.WaitFor([&] { return !log.chats.empty(); }));
  EXPECT_EQ(log.chats[0].content, "back");
}

TEST_F(WebQQClientSim, KickedThenReconnectedFromTheHandlerKeepsFiveChains) {
  AddAccount();
  EventLog log;  // outlives the client, whose chains call it
  WebQQClient client(SimServiceAddresses());
  std::atomic<int> reconnects{0};
  log.onStatus = [&](const StatusNotice& notice) {
    if (notice.code != 121) return;
    std::string message;
    client.Reconnect(&message);  // on the poll thread, as the application does
    ++reconnects;
    log.changed.notify_all();
  };
  LogIn(client, log);
  SimPost("/__sim/kick", "{}");
  ASSERT_TRUE(log.WaitFor([&] { return reconnects > 0; }));
  for (int round = 0; round < 6; ++round) {  // a storm of lost logins
    SimPost("/__sim/next_retcode", "{\"retcode\":121,\"count\":5}");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(client.RunningPollChains(), 5u);
  EXPECT_TRUE(client.IsOnline());
  PostEvent("{\"type\":\"message\",\"from\":\"2001\",\"text\":\"still here\"}");
  ASSERT_TRUE(log.WaitFor([&] { return !log.chats.empty(); }));
  EXPECT_EQ(log.chats[0].content, "still here");
}

TEST_F(WebQQClientSim, StopDuringLongPollsIsQuick) {
  SimPost("/__sim/poll_hold", "{\"seconds\":30}");
  AddAccount();
  EventLog log;
  auto client = std::make_unique<WebQQClient>(SimServiceAddresses());
  LogIn(*client, log);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int64_t started = SteadyMilliseconds();
  client->Stop();
  EXPECT_LT(SteadyMilliseconds() - started, 1500);
  EXPECT_EQ(client->RunningPollChains(), 0u);
  EXPECT_FALSE(client->Login2(kStatusOnline));  // stopped for good
}

// Many chains busy with messages while another thread logs in again, then a stop: run under
// ThreadSanitizer natively.
TEST_F(WebQQClientSim, MessagesWhileLoggingInAgainThenStop) {
  AddAccount();
  EventLog log;
  auto client = std::make_unique<WebQQClient>(SimServiceAddresses());
  LogIn(*client, log);
  std::atomic<bool> posting{true};
  std::thread poster([&] {
    for (int i = 0; posting; ++i) {
      SimPost("/__sim/events", "{\"type\":\"group_message\",\"group\":\"3001\",\"from\":\"2002\",\"text\":\"m" +
                                   std::to_string(i) + "\"}");
    }
  });
  std::thread relogin([&] {
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(client->Login("10001", "pw"), kLoggedIn);
      EXPECT_TRUE(client->Login2(kStatusOnline));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
  });
  std::thread reader([&] {
    for (int i = 0; i < 200; ++i) {
      EXPECT_NE(client->CookieStringB(), "");
      client->GetAccountProfile();
      client->GetStatus();
    }
  });
  relogin.join();
  reader.join();
  ASSERT_TRUE(log.WaitFor([&] { return log.chats.size() >= 20; }));
  const int64_t started = SteadyMilliseconds();
  client->Stop();
  EXPECT_LT(SteadyMilliseconds() - started, 1500);
  const size_t afterStop = log.ChatCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(log.ChatCount(), afterStop);
  posting = false;
  poster.join();
}

}  // namespace
