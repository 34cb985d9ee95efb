// The learning command over arbitrary messages, writing into a temporary run directory; every
// recorded pair must read back as the last entry of the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/AutoRecord.h"
#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"

namespace {

const std::string& RunFolder() {
  static const std::string folder = [] {
    std::string path = RunDirectory() + "/autorecord_fuzz_run" + std::to_string(RandomBetween(0, 1 << 30));
    CreateFolderTree(path + "/Thesaurus");
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int kind = data[0] % 6 - 1;
  std::string message(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string file = ThesaurusFilePath(RunFolder(), kAutoRecordThesaurus);
  RemoveFile(file);
  AutoRecordFile lock;
  ActiveThesauri active;
  RobotSettings settings;
  AutoRecordResult result = TryAutoRecord(RunFolder(), &lock, &active, settings, message, kind);
  if (!result.recorded) return 0;
  LearningCommand command = ParseLearningCommand(message);
  std::string written;
  if (!ReadWholeFile(file, &written) || written != "#" + command.keyword + "\r\n" + command.reply) {
    __builtin_trap();
  }
  if (active.Names().size() != 1) __builtin_trap();
  return 0;
}
