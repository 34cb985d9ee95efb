// The records the shell keeps about accounts and the text forms they are stored in.
// Header-only and free of file access, so that the robot engine can share them.
#pragma once

#include <string>
#include <vector>

#include "engine/RobotSettings.h"

// Presence chosen for the next login: 0 online, 1 call-me, 2 away, 3 busy,
// 4 do not disturb, 5 invisible.
enum : int { kLoginStatusOnline = 0, kLoginStatusLast = 5 };

struct AccountRecord {
  std::string qqNumber;
  std::string storedPassword;  // scrambled form; empty before a login
  std::string avatar;          // picture bytes
  std::string nickname;
  std::string signature;
};

// QQ numbers, most recent first; only accounts whose folder exists.
using AccountList = std::vector<std::string>;

// What the login window's choices were when the last login started.
struct LoginChoices {
  int loginStatus = kLoginStatusOnline;
  bool rememberPassword = false;
  bool autoLogin = false;
};
