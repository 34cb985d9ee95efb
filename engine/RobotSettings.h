// The robot's per-account settings and the text forms they are stored in. Header-only and
// free of file access: the shell reads and writes them, the engine uses them.
#pragma once

#include <string>
#include <string_view>

#include "webqq/ChatFont.h"

// The lists hold the stored form (";10001;10002;").
struct RobotSettings {
  std::string nickname = "ZuvoRobot";
  std::string ignoredQQ;
  std::string ignoredGroups;
  bool friendEnabled = true;
  bool groupEnabled = true;
  bool discussionEnabled = true;
  bool tempEnabled = true;
  ChatFont font;
  bool randomColor = false;
  bool recordFriend = true;
  bool recordGroup = true;
  bool recordDiscussion = true;
  bool recordTemp = true;
  int verifyMode = 0;  // 0 ignore, 1 accept and add back, 2 accept, 3 refuse
  std::string verifyRefuseReason;
  std::string verifyWhiteList;
  std::string verifyBlackList;
  std::string verifyRemark;
  int verifyCategory = 0;
};

inline const char* BoolText(bool value) { return value ? "真" : "假"; }
inline bool ParseBoolText(std::string_view text) { return text == "真"; }

// "10001;10002" -> ";10001;10002;"; an empty list is ";;".
inline std::string ToSemicolonList(std::string_view items) {
  if (items.empty() || items == ";") return ";;";
  std::string list(items);
  if (list.front() != ';') list.insert(0, ";");
  if (list.back() != ';') list += ';';
  return list;
}

// ";" is never a GBK trail byte, so a plain byte search cannot match inside a character.
inline bool IsInSemicolonList(std::string_view list, std::string_view item) {
  if (item.empty()) return false;
  std::string needle = ";" + std::string(item) + ";";
  return list.find(needle) != std::string_view::npos;
}
