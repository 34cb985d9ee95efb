// The login flow without the login window: the same steps and the same message texts,
// written to standard error; the captcha is asked on the terminal.
#pragma once
#include <string>

#include "app/console/ConsoleIo.h"
#include "webqq/WebQQClient.h"

// Writes the picture to a file of the run directory and reads the code from the terminal:
// an empty line cancels, "r" asks for a new picture.
class ConsoleCaptchaPrompt : public CaptchaPrompt {
 public:
  ConsoleCaptchaPrompt(std::string runDirectory, InputLines& input)
      : runDirectory_(std::move(runDirectory)), input_(input) {}
  CaptchaAnswer Ask(const std::string& qq, const std::string& picture) override;

 private:
  std::string runDirectory_;
  InputLines& input_;
};

struct ConsoleLoginRequest {
  std::string qqNumber;
  std::string password;  // as typed
  int status = 0;        // 0-5
};

// The account-state check: which window a service text calls for.
enum class AccountState { kOther, kProtected, kForcedOffline, kSuspectedStolen };
AccountState ClassifyAccountState(const std::string& text);
// Writes that window's texts (nothing for kOther).
void ShowAccountStateWindow(AccountState state);

// Login then Login2; true when the session is online. Every failure is reported on
// standard error in the login window's words.
bool RunConsoleLogin(WebQQClient& client, const ConsoleLoginRequest& request);
