// The friend-request policy: ignore, accept and add, accept or refuse, with a white list that
// wins over the black list. Works whether or not the robot runs.
#pragma once

#include <condition_variable>
#include <functional>
#include <string>
#include <thread>

#include "engine/MessageLog.h"
#include "engine/ReplyTemplates.h"
#include "engine/RobotSettings.h"
#include "engine/ThreadAnnotations.h"

// Runs the friend-list refresh on a background thread. Requests made while one runs are
// folded into one more run after it, so accepts in a row share refreshes. Joined on
// destruction.
class FriendListRefresher {
 public:
  explicit FriendListRefresher(std::function<void()> refresh) : refresh_(std::move(refresh)) {}
  ~FriendListRefresher();
  void Request();
  // Returns once no refresh is pending or running (for tests and shutdown).
  void WaitIdle();

 private:
  void Run();

  std::function<void()> refresh_;
  EngineMutex mutex_;
  std::condition_variable_any idle_;
  bool pending_ ENGINE_GUARDED_BY(mutex_) = false;
  bool running_ ENGINE_GUARDED_BY(mutex_) = false;
  std::thread thread_ ENGINE_GUARDED_BY(mutex_);
};

struct VerificationServices {
  TemplateSources templates;
  FriendRequestReplier* replier = nullptr;
  MessageLog* log = nullptr;
  FriendListRefresher* refresher = nullptr;
};

void HandleFriendVerification(const VerificationServices& services, const RobotSettings& settings,
                              const std::string& account, const std::string& fromUin,
                              const std::string& message);
