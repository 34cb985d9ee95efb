#include "app/Startup.h"

#include "zuvo/platform/File.h"
#include "zuvo/platform/Http.h"

namespace {

const int kExclamationOk = 48;

// The password hash is our own code, so the script engine it once needed is always there.
bool PasswordHashAvailable() { return true; }

struct Prerequisite {
  bool (*available)();
  const char* missingText;
};

}  // namespace

PrerequisiteResult CheckPrerequisites(bool (*httpClientAvailable)()) {
  const Prerequisite checks[] = {
      {httpClientAvailable, "您的系统没有安装WinHttp.WinHttpRequest.5.1所以无法启动！"},
      {PasswordHashAvailable, "您的系统没有安装ScriptControl所以无法启动！"},
  };
  PrerequisiteResult result;
  for (const Prerequisite& check : checks) {
    if (!check.available()) {
      result.failed = true;
      result.title = "警告";
      result.text = check.missingText;
      result.flags = kExclamationOk;
      break;
    }
  }
  return result;
}

PrerequisiteResult CheckPrerequisites() { return CheckPrerequisites(HttpClientAvailable); }

void CreateWorkingFolders(std::string_view runDirectory) {
  for (const char* name : {"\\Thesaurus", "\\libzpl"}) {
    std::string folder = std::string(runDirectory) + name;
    if (!PathExists(folder)) CreateFolder(folder);
  }
}
