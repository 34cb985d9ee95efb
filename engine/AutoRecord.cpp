#include "engine/AutoRecord.h"

#include "engine/EngineText.h"
#include "engine/RobotClient.h"
#include "zuvo/platform/File.h"

LearningCommand ParseLearningCommand(std::string_view message) {
  // "/" and "#" are below 0x40 and never part of a GBK character: a byte search is safe.
  LearningCommand command;
  size_t first = message.find("/#");
  if (first == std::string_view::npos) return command;
  size_t keywordStart = first + 2;
  size_t second = message.find("/#", keywordStart);
  if (second == std::string_view::npos || second == keywordStart) return command;
  std::string_view keyword = TrimSpaces(message.substr(keywordStart, second - keywordStart));
  std::string_view reply = message.substr(second + 2);
  if (keyword.empty() || reply.empty()) return command;
  // A NUL would end the file's text for every later entry, a line break in the keyword would
  // file the pair under another keyword.
  if (keyword.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos ||
      reply.find('\0') != std::string_view::npos) {
    return command;
  }
  command.found = true;
  command.keyword.assign(keyword);
  command.reply.assign(reply);
  return command;
}

bool RecordingEnabled(const RobotSettings& settings, int kind) {
  switch (kind) {
    case kKindFriend: return settings.recordFriend;
    case kKindGroup: return settings.recordGroup;
    case kKindTemporary: return settings.recordTemp;
    case kKindDiscussion: return settings.recordDiscussion;
    default: return false;
  }
}

namespace {

bool WriteEntry(const std::string& path, const LearningCommand& command, AutoRecordFile* file) {
  std::string entry = "#" + command.keyword + "\r\n" + command.reply;
  EngineLock lock(file->mutex);
  if (PathExists(path)) return AppendToFile(path, "\r\n" + entry);
  return AppendToFile(path, entry);
}

}  // namespace

AutoRecordResult TryAutoRecord(std::string_view runDirectory, AutoRecordFile* file,
                               ActiveThesauri* active, const RobotSettings& settings,
                               std::string_view message, int kind) {
  AutoRecordResult result;
  LearningCommand command = ParseLearningCommand(message);
  if (!command.found || !RecordingEnabled(settings, kind)) return result;
  bool written = WriteEntry(ThesaurusFilePath(runDirectory, kAutoRecordThesaurus), command, file);
  active->Add(kAutoRecordThesaurus);
  if (written) {
    result.recorded = true;
    result.reply = "记录成功，发送[" + command.keyword + "]试试吧!";
  }
  return result;
}
