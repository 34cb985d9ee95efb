// ZuvoConsole: the robot without windows. Logs in, runs the robot, echoes the message view
// to standard output and takes commands from standard input.
//   ZuvoConsole [--dir DIR] [--qq N] [--password P] [--status 0-5] [--start] [--enable NAME]...
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AccountStore.h"
#include "app/Startup.h"
#include "app/console/ConsoleIo.h"
#include "app/console/ConsoleLogin.h"
#include "app/console/ConsoleSession.h"
#include "webqq/transport/ServiceAddresses.h"
#include "zuvo/platform/Process.h"

namespace {

struct ConsoleOptions {
  std::string runDirectory;
  std::string qqNumber;
  std::string password;
  int status = -1;  // -1: the account's saved status
  bool start = false;
  std::vector<std::string> enableNames;
};

const char kUsage[] =
    "用法：ZuvoConsole [--dir DIR] [--qq N] [--password P] [--status 0-5] [--start] [--enable NAME]...";

bool ParseOptions(int argc, char** argv, ConsoleOptions* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--start") {
      options->start = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = FromTerminalText(argv[++i]);
    if (name == "--dir") {
      options->runDirectory = value;
    } else if (name == "--qq") {
      options->qqNumber = value;
    } else if (name == "--password") {
      options->password = value;
    } else if (name == "--enable") {
      options->enableNames.push_back(value);
    } else if (name == "--status" && value.size() == 1 && value[0] >= '0' && value[0] <= '5') {
      options->status = value[0] - '0';
    } else {
      return false;
    }
  }
  return true;
}

// The login form of the console: it only keeps what the account settings put into it.
class ConsoleFormView : public LoginFormView {
 public:
  void ShowAccountNumber(const std::string& qqNumber) override { accountNumber = qqNumber; }
  void ClearAccountNumber() override { accountNumber.clear(); }
  std::string AccountNumberText() const override { return accountNumber; }
  void ShowPassword(const std::string& text) override { password = text; }
  void ClearPassword() override { password.clear(); }
  bool AutoLoginTicked() const override { return false; }
  void TickAutoLogin(bool) override {}
  void TickRememberPassword(bool) override {}
  void ShowLoginStatus(int) override {}
  void AddAccountLine(const std::string&, const std::string&) override {}
  void RemoveAccountLine(const std::string&) override {}
  bool AskOkCancel(const std::string&, const std::string&, int) override { return false; }

  std::string accountNumber;
  std::string password;
};

// Fills the store from the account's files; the options win over what was saved.
ConsoleLoginRequest PrepareAccount(const ConsoleOptions& options, AccountStore* store) {
  ConsoleFormView view;
  store->account.qqNumber =
      options.qqNumber.empty() ? ReadLastAccountNumber(store->runDirectory) : options.qqNumber;
  LoadAccountList(store, &view);
  LoadAccountSettings(store, &view);
  if (options.status >= 0) store->choices.loginStatus = options.status;
  ConsoleLoginRequest request;
  request.qqNumber = store->account.qqNumber;
  request.password = options.password.empty() ? view.password : options.password;
  request.status = store->choices.loginStatus;
  return request;
}

void RunCommands(ConsoleSession& session, InputLines& input) {
  std::string line;
  while (input.Next(&line) == LineWait::kLine) {
    if (!RunConsoleCommand(session, line)) return;
  }
}

int RunConsole(const ConsoleOptions& options, InputLines& input) {
  const PrerequisiteResult prerequisites = CheckPrerequisites();
  if (prerequisites.failed) {
    WriteMessageBox(prerequisites.title, prerequisites.text);
    return 1;
  }
  AccountStore store;
  store.runDirectory = options.runDirectory.empty() ? RunDirectory() : options.runDirectory;
  CreateWorkingFolders(store.runDirectory);
  const ConsoleLoginRequest request = PrepareAccount(options, &store);

  WebQQClient client(LoadServiceAddresses(store.runDirectory));
  ConsoleCaptchaPrompt captcha(store.runDirectory, input);
  client.SetCaptchaPrompt(&captcha);
  if (!RunConsoleLogin(client, request)) return 1;

  ConsoleSession session(client, store);
  OpenConsoleSession(session, options.enableNames);
  if (options.start) ToggleRobot(*session.robot);
  RunCommands(session, input);
  CloseConsoleSession(session);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  ConsoleOptions options;
  if (!ParseOptions(argc, argv, &options)) {
    WriteErrorLine(kUsage);
    return 2;
  }
  InstallStopSignals();
  // The reader thread may still be blocked in a read at the end, so it outlives main.
  static InputLines input;
  input.Start();
  const int code = RunConsole(options, input);
  std::fflush(stdout);  // not stdin: the reader thread holds its lock
  std::fflush(stderr);
  std::_Exit(code);
}
