// The account files: the program-wide "ZuvoRobot.ini" (section "User"), and per account
// the folder "Userdata\<QQ number>" with its own "ZuvoRobot.ini" and "头像.png".
// Missing files read as defaults; write errors are not reported beyond the bool results.
#pragma once

#include <string>
#include <string_view>

#include "app/LoginFormView.h"
#include "app/Settings.h"
#include "zuvo/platform/Ini.h"

// The shell's account state, all relative to one run directory.
struct AccountStore {
  std::string runDirectory;  // GBK, no trailing separator
  AccountRecord account;
  AccountList accounts;
  RobotSettings settings;
  LoginChoices choices;
};

// A QQ number names a folder, so only digits are accepted as one.
bool IsUsableQQNumber(std::string_view qqNumber);

std::string AccountListFilePath(std::string_view runDirectory);
std::string AccountFolderPath(std::string_view runDirectory, std::string_view qqNumber);
std::string AccountSettingsPath(std::string_view runDirectory, std::string_view qqNumber);
std::string AvatarPath(std::string_view runDirectory, std::string_view qqNumber);

// The settings keys of "机器人设置" from a parsed file, missing keys as their defaults.
RobotSettings ReadRobotSettings(const IniFile& file);
void WriteRobotSettings(const RobotSettings& settings, IniFile* file);

// "QQNumber" of "User": the account shown at start.
std::string ReadLastAccountNumber(std::string_view runDirectory);

// Fills the form, `choices` and `settings` from the file of `account.qqNumber`.
void LoadAccountSettings(AccountStore* store, LoginFormView* view);
bool SaveAccountSettings(const AccountStore& store);
// Folder, avatar (the default one when empty), "User" section, list, then the settings.
bool SaveAccountAfterLogin(AccountStore* store);
// Reads "List", keeps the entries whose folder exists and adds their drop-down lines.
void LoadAccountList(AccountStore* store, LoginFormView* view);
// With `withData` the user is asked first and the folder goes too; false when the user
// cancels. The entry is never put back, even for the current account.
bool RemoveAccount(AccountStore* store, LoginFormView* view, const std::string& qqNumber,
                   bool withData);
