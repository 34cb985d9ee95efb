// What the settings store needs from the login form. The login window, the console and
// the tests each implement it. Called on the window thread only.
#pragma once

#include <string>

class LoginFormView {
 public:
  virtual ~LoginFormView() = default;

  // Focuses the account box (which drops its placeholder) and shows `qqNumber`.
  virtual void ShowAccountNumber(const std::string& qqNumber) = 0;
  // Empties the account box and puts the focus into it.
  virtual void ClearAccountNumber() = 0;
  virtual std::string AccountNumberText() const = 0;

  // Focuses the password box, switches it to password input and shows `password`.
  virtual void ShowPassword(const std::string& password) = 0;
  // Empties the password box and restores its placeholder.
  virtual void ClearPassword() = 0;

  virtual bool AutoLoginTicked() const = 0;
  virtual void TickAutoLogin(bool ticked) = 0;
  virtual void TickRememberPassword(bool ticked) = 0;

  // The status picture for LoginStatus 0-5.
  virtual void ShowLoginStatus(int loginStatus) = 0;

  // One line of the account drop-down: the number and its avatar picture bytes.
  virtual void AddAccountLine(const std::string& qqNumber, const std::string& avatar) = 0;
  virtual void RemoveAccountLine(const std::string& qqNumber) = 0;

  // A message box with OK and Cancel; true for OK.
  virtual bool AskOkCancel(const std::string& title, const std::string& text, int flags) = 0;
};
