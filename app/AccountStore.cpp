#include "app/AccountStore.h"

#include <cstdlib>

#include "app/DefaultAvatar.h"
#include "webqq/transport/PasswordScramble.h"
#include "zuvo/platform/File.h"

namespace {

const char kUserSection[] = "User";
const char kAccountSection[] = "账号信息";
const char kRobotSection[] = "机器人设置";
const char kDeleteQuestion[] = "确定要删除该账号的所有数据吗？";
const int kQuestionOkCancel = 33;

enum class SettingEncoding { kText, kList, kBool, kInt };

// One key of "机器人设置", in the order the keys are written. Exactly one accessor is set,
// matching the encoding.
struct SettingKey {
  const char* key;
  SettingEncoding encoding;
  const char* defaultText;
  std::string* (*text)(RobotSettings&);
  bool* (*flag)(RobotSettings&);
  int* (*number)(RobotSettings&);
};

using S = RobotSettings;
const SettingKey kSettingKeys[] = {
    {"昵称", SettingEncoding::kText, "ZuvoRobot", [](S& s) { return &s.nickname; }, nullptr, nullptr},
    {"忽略QQ", SettingEncoding::kList, "", [](S& s) { return &s.ignoredQQ; }, nullptr, nullptr},
    {"忽略群", SettingEncoding::kList, "", [](S& s) { return &s.ignoredGroups; }, nullptr, nullptr},
    {"好友启用", SettingEncoding::kBool, "真", nullptr, [](S& s) { return &s.friendEnabled; }, nullptr},
    {"群内启用", SettingEncoding::kBool, "真", nullptr, [](S& s) { return &s.groupEnabled; }, nullptr},
    {"讨论组启用", SettingEncoding::kBool, "真", nullptr, [](S& s) { return &s.discussionEnabled; }, nullptr},
    {"临时消息启用", SettingEncoding::kBool, "真", nullptr, [](S& s) { return &s.tempEnabled; }, nullptr},
    {"聊天字体.粗体", SettingEncoding::kBool, "", nullptr, [](S& s) { return &s.font.bold; }, nullptr},
    {"聊天字体.斜体", SettingEncoding::kBool, "", nullptr, [](S& s) { return &s.font.italic; }, nullptr},
    {"聊天字体.下划线", SettingEncoding::kBool, "", nullptr, [](S& s) { return &s.font.underline; }, nullptr},
    {"聊天字体.字体名称", SettingEncoding::kText, "宋体", [](S& s) { return &s.font.name; }, nullptr, nullptr},
    {"聊天字体.字体大小", SettingEncoding::kInt, "9", nullptr, nullptr, [](S& s) { return &s.font.size; }},
    {"聊天字体.字体颜色", SettingEncoding::kInt, "0", nullptr, nullptr, [](S& s) { return &s.font.color; }},
    {"聊天字体.随机颜色", SettingEncoding::kBool, "", nullptr, [](S& s) { return &s.randomColor; }, nullptr},
    {"记录_好友启用", SettingEncoding::kBool, "真", nullptr, [](S& s) { return &s.recordFriend; }, nullptr},
    {"记录_群内启用", SettingEncoding::kBool, "真", nullptr, [](S& s) { return &s.recordGroup; }, nullptr},
    {"记录_讨论组启用", SettingEncoding::kBool, "真", nullptr, [](S& s) { return &s.recordDiscussion; }, nullptr},
    {"记录_临时消息启用", SettingEncoding::kBool, "真", nullptr, [](S& s) { return &s.recordTemp; }, nullptr},
    {"好友验证_状态", SettingEncoding::kInt, "0", nullptr, nullptr, [](S& s) { return &s.verifyMode; }},
    {"好友验证_拒绝理由", SettingEncoding::kText, "", [](S& s) { return &s.verifyRefuseReason; }, nullptr, nullptr},
    {"好友验证_白名单", SettingEncoding::kList, "", [](S& s) { return &s.verifyWhiteList; }, nullptr, nullptr},
    {"好友验证_黑名单", SettingEncoding::kList, "", [](S& s) { return &s.verifyBlackList; }, nullptr, nullptr},
    {"好友验证_备注", SettingEncoding::kText, "", [](S& s) { return &s.verifyRemark; }, nullptr, nullptr},
    {"好友验证_分组序号", SettingEncoding::kInt, "0", nullptr, nullptr, [](S& s) { return &s.verifyCategory; }},
};

std::string ListValue(const AccountList& accounts) {
  std::string value;
  for (const std::string& qq : accounts) value += qq + ",";
  return value;
}

AccountList SplitListValue(std::string_view value) {
  AccountList entries;
  size_t begin = 0;
  while (begin < value.size()) {
    size_t comma = value.find(',', begin);
    if (comma == std::string_view::npos) comma = value.size();
    std::string entry(value.substr(begin, comma - begin));
    bool known = false;
    for (const std::string& e : entries) known = known || e == entry;
    if (!entry.empty() && !known) entries.push_back(entry);
    begin = comma + 1;
  }
  return entries;
}

bool WriteUserSection(const AccountStore& store) {
  IniFile file;
  std::string path = AccountListFilePath(store.runDirectory);
  if (!file.Load(path) && PathExists(path)) return false;
  file.Set(kUserSection, "QQNumber", store.account.qqNumber);
  file.Set(kUserSection, "List", ListValue(store.accounts));
  return file.Save();
}

int ReadLoginStatus(const IniFile& file) {
  int status = file.GetInt(kAccountSection, "状态", kLoginStatusOnline);
  // A hand-edited value outside 0-5 would index past the status pictures.
  return (status < kLoginStatusOnline || status > kLoginStatusLast) ? kLoginStatusOnline : status;
}

}  // namespace

bool IsUsableQQNumber(std::string_view qqNumber) {
  if (qqNumber.empty() || qqNumber.size() > 20) return false;
  for (char c : qqNumber) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string AccountListFilePath(std::string_view runDirectory) {
  return std::string(runDirectory) + "\\ZuvoRobot.ini";
}

std::string AccountFolderPath(std::string_view runDirectory, std::string_view qqNumber) {
  return std::string(runDirectory) + "\\Userdata\\" + std::string(qqNumber);
}

std::string AccountSettingsPath(std::string_view runDirectory, std::string_view qqNumber) {
  return AccountFolderPath(runDirectory, qqNumber) + "\\ZuvoRobot.ini";
}

std::string AvatarPath(std::string_view runDirectory, std::string_view qqNumber) {
  return AccountFolderPath(runDirectory, qqNumber) + "\\头像.png";
}

RobotSettings ReadRobotSettings(const IniFile& file) {
  RobotSettings settings;
  for (const SettingKey& k : kSettingKeys) {
    switch (k.encoding) {
      case SettingEncoding::kText:
      case SettingEncoding::kList:
        *k.text(settings) = file.Get(kRobotSection, k.key, k.defaultText);
        break;
      case SettingEncoding::kBool:
        *k.flag(settings) = ParseBoolText(file.Get(kRobotSection, k.key, k.defaultText));
        break;
      case SettingEncoding::kInt:
        *k.number(settings) = file.GetInt(kRobotSection, k.key, std::atoi(k.defaultText));
        break;
    }
  }
  return settings;
}

void WriteRobotSettings(const RobotSettings& settings, IniFile* file) {
  RobotSettings copy = settings;  // the accessors take a mutable record
  for (const SettingKey& k : kSettingKeys) {
    std::string value;
    switch (k.encoding) {
      case SettingEncoding::kText: value = *k.text(copy); break;
      case SettingEncoding::kList: value = ToSemicolonList(*k.text(copy)); break;
      case SettingEncoding::kBool: value = BoolText(*k.flag(copy)); break;
      case SettingEncoding::kInt: value = std::to_string(*k.number(copy)); break;
    }
    file->Set(kRobotSection, k.key, value);
  }
}

std::string ReadLastAccountNumber(std::string_view runDirectory) {
  return ReadIniText(AccountListFilePath(runDirectory), kUserSection, "QQNumber", "");
}

void LoadAccountSettings(AccountStore* store, LoginFormView* view) {
  IniFile file;
  if (IsUsableQQNumber(store->account.qqNumber)) {
    file.Load(AccountSettingsPath(store->runDirectory, store->account.qqNumber));
  }
  std::string qqNumber = file.Get(kAccountSection, "QQ号码", "");
  std::string password = UnscramblePassword(file.Get(kAccountSection, "QQ密码", ""));
  if (!qqNumber.empty()) view->ShowAccountNumber(qqNumber);
  if (!password.empty()) {
    view->ShowPassword(password);
    bool autoLogin =
        ParseBoolText(file.Get(kAccountSection, "自动登录", BoolText(view->AutoLoginTicked())));
    view->TickAutoLogin(autoLogin);
    view->TickRememberPassword(true);
    store->choices.autoLogin = autoLogin;
  } else {
    view->ClearPassword();
    view->TickRememberPassword(false);
    store->choices.autoLogin = view->AutoLoginTicked();
  }
  store->choices.rememberPassword = !password.empty();
  store->choices.loginStatus = ReadLoginStatus(file);
  view->ShowLoginStatus(store->choices.loginStatus);
  store->settings = ReadRobotSettings(file);
}

bool SaveAccountSettings(const AccountStore& store) {
  const AccountRecord& account = store.account;
  if (!IsUsableQQNumber(account.qqNumber)) return false;
  std::string path = AccountSettingsPath(store.runDirectory, account.qqNumber);
  IniFile file;
  if (!file.Load(path) && PathExists(path)) return false;
  file.Set(kAccountSection, "QQ号码", account.qqNumber);
  if (!account.storedPassword.empty()) {
    file.Set(kAccountSection, "QQ密码",
             store.choices.rememberPassword ? account.storedPassword : std::string());
  }
  file.Set(kAccountSection, "自动登录", BoolText(store.choices.autoLogin));
  file.Set(kAccountSection, "状态", std::to_string(store.choices.loginStatus));
  WriteRobotSettings(store.settings, &file);
  return file.Save();
}

bool SaveAccountAfterLogin(AccountStore* store) {
  AccountRecord& account = store->account;
  if (!IsUsableQQNumber(account.qqNumber)) return false;
  std::string userdata = store->runDirectory + "\\Userdata";
  if (!IsFolder(userdata)) CreateFolder(userdata);
  std::string folder = AccountFolderPath(store->runDirectory, account.qqNumber);
  if (!IsFolder(folder)) CreateFolder(folder);
  if (account.avatar.empty()) account.avatar = DefaultAvatar();
  bool saved = ReplaceWholeFile(AvatarPath(store->runDirectory, account.qqNumber), account.avatar);

  AccountList& accounts = store->accounts;
  bool known = false;
  for (const std::string& qq : accounts) known = known || qq == account.qqNumber;
  if (!known) accounts.insert(accounts.begin(), account.qqNumber);
  saved = WriteUserSection(*store) && saved;
  return SaveAccountSettings(*store) && saved;
}

void LoadAccountList(AccountStore* store, LoginFormView* view) {
  store->accounts.clear();
  std::string value =
      ReadIniText(AccountListFilePath(store->runDirectory), kUserSection, "List", "");
  for (const std::string& qq : SplitListValue(value)) {
    if (!IsUsableQQNumber(qq) || !IsFolder(AccountFolderPath(store->runDirectory, qq))) continue;
    std::string avatar;
    if (!ReadWholeFile(AvatarPath(store->runDirectory, qq), &avatar) || avatar.empty()) {
      avatar = DefaultAvatar();
    }
    view->AddAccountLine(qq, avatar);
    store->accounts.push_back(qq);
  }
}

bool RemoveAccount(AccountStore* store, LoginFormView* view, const std::string& qqNumber,
                   bool withData) {
  if (withData) {
    if (!view->AskOkCancel("询问", kDeleteQuestion, kQuestionOkCancel)) return false;
    if (IsUsableQQNumber(qqNumber)) {
      RemoveFolderTree(AccountFolderPath(store->runDirectory, qqNumber));
    }
  }
  if (view->AccountNumberText() == qqNumber) {
    view->ClearPassword();
    view->TickAutoLogin(false);
    view->TickRememberPassword(false);
    view->ClearAccountNumber();
  }
  AccountList& accounts = store->accounts;
  for (auto it = accounts.begin(); it != accounts.end();) {
    it = (*it == qqNumber) ? accounts.erase(it) : it + 1;
  }
  view->RemoveAccountLine(qqNumber);
  WriteUserSection(*store);
  return true;
}
