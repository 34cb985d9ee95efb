// The learning command "/#" + keyword + "/#" + reply: appends the pair to the thesaurus
// "自动记录词库" and makes it active.
#pragma once

#include <string>
#include <string_view>

#include "engine/RobotSettings.h"
#include "engine/Thesaurus.h"

inline constexpr const char* kAutoRecordThesaurus = "自动记录词库";

// Serialises the existence test and the write, so two recordings give two whole entries.
struct AutoRecordFile {
  EngineMutex mutex;
};

struct AutoRecordResult {
  bool recorded = false;
  std::string reply;  // "记录成功，发送[" + keyword + "]试试吧!" when recorded
};

struct LearningCommand {
  bool found = false;
  std::string keyword;  // trimmed of ASCII and full-width spaces
  std::string reply;    // as written
};
// The command in `message`, found only when keyword and reply are both non-empty, the keyword
// holds no CR, LF or NUL and the reply no NUL.
LearningCommand ParseLearningCommand(std::string_view message);

bool RecordingEnabled(const RobotSettings& settings, int kind);

AutoRecordResult TryAutoRecord(std::string_view runDirectory, AutoRecordFile* file,
                               ActiveThesauri* active, const RobotSettings& settings,
                               std::string_view message, int kind);
