#include "app/AccountStore.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/DefaultAvatar.h"
#include "webqq/transport/PasswordScramble.h"
#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Ini.h"
#include "zuvo/platform/Process.h"

namespace {

// The login form as the store sees it, with the placeholder and focus rules of the window.
class FakeLoginForm : public LoginFormView {
 public:
  void ShowAccountNumber(const std::string& qq) override { accountText = qq; accountFocused = true; }
  void ClearAccountNumber() override { accountText.clear(); accountFocused = true; }
  std::string AccountNumberText() const override { return accountText; }
  void ShowPassword(const std::string& password) override {
    passwordText = password;
    passwordPlaceholder = false;
  }
  void ClearPassword() override {
    passwordText.clear();
    passwordPlaceholder = true;
  }
  bool AutoLoginTicked() const override { return autoLogin; }
  void TickAutoLogin(bool ticked) override { autoLogin = ticked; }
  void TickRememberPassword(bool ticked) override { rememberPassword = ticked; }
  void ShowLoginStatus(int status) override { loginStatus = status; }
  void AddAccountLine(const std::string& qq, const std::string& avatar) override {
    lines.emplace_back(qq, avatar);
  }
  void RemoveAccountLine(const std::string& qq) override {
    for (auto it = lines.begin(); it != lines.end(); ++it) {
      if (it->first == qq) {
        lines.erase(it);
        return;
      }
    }
  }
  bool AskOkCancel(const std::string& title, const std::string& text, int flags) override {
    questions.push_back(title + "|" + text + "|" + std::to_string(flags));
    return answerOk;
  }

  std::string accountText;
  bool accountFocused = false;
  std::string passwordText;
  bool passwordPlaceholder = true;
  bool autoLogin = false;
  bool rememberPassword = false;
  int loginStatus = -1;
  std::vector<std::pair<std::string, std::string>> lines;
  std::vector<std::string> questions;
  bool answerOk = true;
};

class AccountStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.runDirectory = RunDirectory() + "\\账号测试" + std::to_string(RandomBetween(0, 1 << 30));
    ASSERT_TRUE(CreateFolder(store.runDirectory));
  }
  void TearDown() override { RemoveFolderTree(store.runDirectory); }

  // A successful login of `qq` with the given choices.
  void LogIn(const std::string& qq, const std::string& password, bool remember, bool autoLogin) {
    store.account = AccountRecord();
    store.account.qqNumber = qq;
    store.account.storedPassword = password.empty() ? "" : ScramblePassword(password);
    store.choices.rememberPassword = remember;
    store.choices.autoLogin = autoLogin;
    ASSERT_TRUE(SaveAccountAfterLogin(&store));
  }

  std::string UserValue(const char* key) {
    return ReadIniText(AccountListFilePath(store.runDirectory), "User", key, "<none>");
  }
  std::string AccountValue(const std::string& qq, const char* key) {
    return ReadIniText(AccountSettingsPath(store.runDirectory, qq), "账号信息", key, "<none>");
  }

  // What the login window does at start.
  FakeLoginForm StartLoginWindow() {
    FakeLoginForm form;
    AccountStore fresh;
    fresh.runDirectory = store.runDirectory;
    store = fresh;
    store.account.qqNumber = ReadLastAccountNumber(store.runDirectory);
    LoadAccountSettings(&store, &form);
    LoadAccountList(&store, &form);
    return form;
  }

  AccountStore store;
};

TEST_F(AccountStoreTest, FirstStartReadsDefaults) {
  FakeLoginForm form = StartLoginWindow();
  EXPECT_TRUE(store.accounts.empty());
  EXPECT_TRUE(form.lines.empty());
  EXPECT_EQ(form.accountText, "");
  EXPECT_FALSE(form.accountFocused);
  EXPECT_TRUE(form.passwordPlaceholder);
  EXPECT_FALSE(form.rememberPassword);
  EXPECT_FALSE(form.autoLogin);
  EXPECT_EQ(form.loginStatus, 0);

  const RobotSettings& s = store.settings;
  EXPECT_EQ(s.nickname, "ZuvoRobot");
  EXPECT_EQ(s.font.name, "宋体");
  EXPECT_EQ(s.font.size, 9);
  EXPECT_EQ(s.font.color, 0);
  EXPECT_FALSE(s.font.bold || s.font.italic || s.font.underline || s.randomColor);
  for (bool on : {s.friendEnabled, s.groupEnabled, s.discussionEnabled, s.tempEnabled,
                  s.recordFriend, s.recordGroup, s.recordDiscussion, s.recordTemp}) {
    EXPECT_TRUE(on);
  }
  EXPECT_EQ(s.verifyMode, 0);
  EXPECT_EQ(s.verifyCategory, 0);
  for (const std::string* text : {&s.ignoredQQ, &s.ignoredGroups, &s.verifyWhiteList,
                                  &s.verifyBlackList, &s.verifyRefuseReason, &s.verifyRemark}) {
    EXPECT_EQ(*text, "");
  }
}

TEST_F(AccountStoreTest, SettingsAreWrittenInTableOrderWithTheirEncodings) {
  store.settings.ignoredQQ = "10001;10002";
  store.settings.verifyBlackList = ";20001;";
  store.settings.font.bold = true;
  store.settings.font.color = 0x0000FF;
  store.settings.tempEnabled = false;
  LogIn("10001", "", false, false);
  std::string text;
  ASSERT_TRUE(ReadWholeFile(AccountSettingsPath(store.runDirectory, "10001"), &text));
  EXPECT_EQ(text,
            "[账号信息]\r\nQQ号码=10001\r\n自动登录=假\r\n状态=0\r\n"
            "[机器人设置]\r\n昵称=ZuvoRobot\r\n忽略QQ=;10001;10002;\r\n忽略群=;;\r\n"
            "好友启用=真\r\n群内启用=真\r\n讨论组启用=真\r\n临时消息启用=假\r\n"
            "聊天字体.粗体=真\r\n聊天字体.斜体=假\r\n聊天字体.下划线=假\r\n"
            "聊天字体.字体名称=宋体\r\n聊天字体.字体大小=9\r\n聊天字体.字体颜色=255\r\n"
            "聊天字体.随机颜色=假\r\n记录_好友启用=真\r\n记录_群内启用=真\r\n"
            "记录_讨论组启用=真\r\n记录_临时消息启用=真\r\n好友验证_状态=0\r\n"
            "好友验证_拒绝理由=\r\n好友验证_白名单=;;\r\n好友验证_黑名单=;20001;\r\n"
            "好友验证_备注=\r\n好友验证_分组序号=0\r\n");
}

TEST_F(AccountStoreTest, EverySettingSurvivesSaveAndLoad) {
  RobotSettings s;
  s.nickname = "小助手";
  s.ignoredQQ = ";1;2;";
  s.ignoredGroups = ";3;";
  s.friendEnabled = s.groupEnabled = s.discussionEnabled = s.tempEnabled = false;
  s.font = {"黑体", 14, 0x123456, true, true, true};
  s.randomColor = true;
  s.recordFriend = s.recordGroup = s.recordDiscussion = s.recordTemp = false;
  s.verifyMode = 3;
  s.verifyRefuseReason = "不加";
  s.verifyWhiteList = ";4;";
  s.verifyBlackList = ";5;6;";
  s.verifyRemark = "机器人好友";
  s.verifyCategory = 2;
  store.settings = s;
  LogIn("10001", "pw", true, true);
  FakeLoginForm form = StartLoginWindow();
  const RobotSettings& r = store.settings;
  EXPECT_EQ(r.nickname, s.nickname);
  EXPECT_EQ(r.ignoredQQ, s.ignoredQQ);
  EXPECT_EQ(r.ignoredGroups, s.ignoredGroups);
  EXPECT_FALSE(r.friendEnabled || r.groupEnabled || r.discussionEnabled || r.tempEnabled);
  EXPECT_EQ(r.font.name, "黑体");
  EXPECT_EQ(r.font.size, 14);
  EXPECT_EQ(r.font.color, 0x123456);
  EXPECT_TRUE(r.font.bold && r.font.italic && r.font.underline && r.randomColor);
  EXPECT_FALSE(r.recordFriend || r.recordGroup || r.recordDiscussion || r.recordTemp);
  EXPECT_EQ(r.verifyMode, 3);
  EXPECT_EQ(r.verifyRefuseReason, s.verifyRefuseReason);
  EXPECT_EQ(r.verifyWhiteList, s.verifyWhiteList);
  EXPECT_EQ(r.verifyBlackList, s.verifyBlackList);
  EXPECT_EQ(r.verifyRemark, s.verifyRemark);
  EXPECT_EQ(r.verifyCategory, 2);
}

TEST_F(AccountStoreTest, RememberedPasswordFillsTheForm) {
  store.choices.loginStatus = 5;
  LogIn("10001", "secret", true, true);
  EXPECT_EQ(AccountValue("10001", "QQ密码"), ScramblePassword("secret"));
  FakeLoginForm form = StartLoginWindow();
  EXPECT_EQ(form.accountText, "10001");
  EXPECT_TRUE(form.accountFocused);
  EXPECT_EQ(form.passwordText, "secret");
  EXPECT_FALSE(form.passwordPlaceholder);
  EXPECT_TRUE(form.rememberPassword);
  EXPECT_TRUE(form.autoLogin);
  EXPECT_EQ(form.loginStatus, 5);
  EXPECT_EQ(store.choices.loginStatus, 5);
}

TEST_F(AccountStoreTest, PasswordNotRememberedLeavesPlaceholderAndNoAutoLogin) {
  LogIn("10001", "secret", true, true);
  LogIn("10001", "secret", false, true);
  EXPECT_EQ(AccountValue("10001", "QQ密码"), "");
  FakeLoginForm form = StartLoginWindow();
  EXPECT_EQ(form.accountText, "10001");
  EXPECT_EQ(form.passwordText, "");
  EXPECT_TRUE(form.passwordPlaceholder);
  EXPECT_FALSE(form.rememberPassword);
  EXPECT_FALSE(form.autoLogin);

  // A save without a stored password keeps the one in the file.
  LogIn("10001", "secret", true, false);
  store.account.storedPassword.clear();
  store.choices.rememberPassword = false;
  ASSERT_TRUE(SaveAccountSettings(store));
  EXPECT_EQ(AccountValue("10001", "QQ密码"), ScramblePassword("secret"));
}

TEST_F(AccountStoreTest, OutOfRangeStatusReadsAsOnline) {
  LogIn("10001", "", false, false);
  ASSERT_TRUE(WriteIniText(AccountSettingsPath(store.runDirectory, "10001"), "账号信息", "状态", "99"));
  FakeLoginForm form = StartLoginWindow();
  EXPECT_EQ(form.loginStatus, 0);
}

TEST_F(AccountStoreTest, LoginsKeepOneListEntryEachMostRecentFirst) {
  LogIn("10001", "", false, false);
  LogIn("10002", "", false, false);
  EXPECT_EQ(UserValue("List"), "10002,10001,");
  LogIn("10001", "", false, false);
  EXPECT_EQ(UserValue("List"), "10002,10001,");
  EXPECT_EQ(UserValue("QQNumber"), "10001");

  std::string avatar;
  ASSERT_TRUE(ReadWholeFile(AvatarPath(store.runDirectory, "10001"), &avatar));
  EXPECT_EQ(avatar, DefaultAvatar());
  EXPECT_EQ(avatar.substr(0, 2), "\xFF\xD8");  // a JPEG
}

TEST_F(AccountStoreTest, ListEntriesWithoutAFolderAreDroppedAtTheNextWrite) {
  LogIn("10003", "", false, false);
  store.account.avatar = "own picture";
  LogIn("10001", "", false, false);
  ASSERT_TRUE(WriteIniText(AccountListFilePath(store.runDirectory), "User", "List",
                           "10001,10002,..,10003,10001,abc,"));
  FakeLoginForm form = StartLoginWindow();
  EXPECT_EQ(store.accounts, (AccountList{"10001", "10003"}));
  ASSERT_EQ(form.lines.size(), 2u);
  EXPECT_EQ(form.lines[0].first, "10001");
  EXPECT_EQ(form.lines[1].second, DefaultAvatar());
  EXPECT_EQ(UserValue("List"), "10001,10002,..,10003,10001,abc,");  // reading changes nothing

  LogIn("10003", "", false, false);
  EXPECT_EQ(UserValue("List"), "10001,10003,");
}

TEST_F(AccountStoreTest, RemovingWithDataAsksAndDeletesOnlyOnOk) {
  LogIn("10001", "pw", true, false);
  LogIn("10002", "pw", true, false);
  FakeLoginForm form = StartLoginWindow();  // shows 10002, the last login
  std::string folder = AccountFolderPath(store.runDirectory, "10002");

  form.answerOk = false;
  EXPECT_FALSE(RemoveAccount(&store, &form, "10002", true));
  EXPECT_EQ(form.questions,
            (std::vector<std::string>{"询问|确定要删除该账号的所有数据吗？|33"}));
  EXPECT_TRUE(IsFolder(folder));
  EXPECT_EQ(store.accounts, (AccountList{"10002", "10001"}));
  EXPECT_EQ(form.accountText, "10002");

  form.answerOk = true;
  EXPECT_TRUE(RemoveAccount(&store, &form, "10002", true));
  EXPECT_FALSE(PathExists(folder));
  EXPECT_TRUE(IsFolder(AccountFolderPath(store.runDirectory, "10001")));
  EXPECT_EQ(store.accounts, (AccountList{"10001"}));
  ASSERT_EQ(form.lines.size(), 1u);
  EXPECT_EQ(form.accountText, "");
  EXPECT_TRUE(form.passwordPlaceholder);
  EXPECT_FALSE(form.rememberPassword || form.autoLogin);
  EXPECT_EQ(UserValue("List"), "10001,");
  EXPECT_EQ(UserValue("QQNumber"), "10002");  // the current record's number
}

TEST_F(AccountStoreTest, RemovingWithoutDataKeepsTheFolderAndTheForm) {
  LogIn("10001", "pw", true, false);
  LogIn("10002", "pw", true, false);
  FakeLoginForm form = StartLoginWindow();
  EXPECT_TRUE(RemoveAccount(&store, &form, "10001", false));
  EXPECT_TRUE(form.questions.empty());
  EXPECT_TRUE(IsFolder(AccountFolderPath(store.runDirectory, "10001")));
  EXPECT_EQ(form.accountText, "10002");
  EXPECT_EQ(form.passwordText, "pw");
  EXPECT_EQ(UserValue("List"), "10002,");
  EXPECT_EQ(StartLoginWindow().lines.size(), 1u);
}

TEST_F(AccountStoreTest, NumbersThatAreNoNumbersNeverBecomePaths) {
  store.account.qqNumber = "..";
  EXPECT_FALSE(SaveAccountAfterLogin(&store));
  EXPECT_FALSE(PathExists(store.runDirectory + "\\Userdata"));
  FakeLoginForm form;
  form.answerOk = true;
  ASSERT_TRUE(CreateFolderTree(store.runDirectory + "\\Userdata\\x"));
  RemoveAccount(&store, &form, "..", true);
  EXPECT_TRUE(IsFolder(store.runDirectory + "\\Userdata\\x"));
}

TEST(SettingsText, SemicolonListsAndBooleans) {
  const std::pair<const char*, const char*> lists[] = {
      {"10001;10002", ";10001;10002;"}, {";10001;10002;", ";10001;10002;"},
      {"10001", ";10001;"},             {"", ";;"},
      {";", ";;"},                      {";;", ";;"},
  };
  for (const auto& [items, stored] : lists) EXPECT_EQ(ToSemicolonList(items), stored) << items;

  EXPECT_TRUE(IsInSemicolonList(";10001;10002;", "10002"));
  EXPECT_FALSE(IsInSemicolonList(";10001;10002;", "1000"));
  EXPECT_FALSE(IsInSemicolonList(";10001;10002;", "0001"));
  EXPECT_FALSE(IsInSemicolonList(";;", ""));
  EXPECT_FALSE(IsInSemicolonList("", "10001"));

  EXPECT_STREQ(BoolText(true), "真");
  EXPECT_STREQ(BoolText(false), "假");
  EXPECT_TRUE(ParseBoolText("真"));
  for (const char* text : {"假", "", "1", "true", " 真"}) EXPECT_FALSE(ParseBoolText(text)) << text;
}

}  // namespace
