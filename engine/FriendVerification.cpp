#include "engine/FriendVerification.h"

FriendListRefresher::~FriendListRefresher() {
  std::thread finished;
  {
    EngineLock lock(mutex_);
    while (running_) idle_.wait(mutex_);
    finished.swap(thread_);
  }
  if (finished.joinable()) finished.join();
}

void FriendListRefresher::Request() {
  std::thread finished;
  {
    EngineLock lock(mutex_);
    pending_ = true;
    if (running_) return;  // the running refresh picks the request up when it ends
    running_ = true;
    finished.swap(thread_);  // a refresh that has ended; joined below, outside the lock
    thread_ = std::thread([this] { Run(); });
  }
  if (finished.joinable()) finished.join();
}

void FriendListRefresher::WaitIdle() {
  EngineLock lock(mutex_);
  while (running_ || pending_) idle_.wait(mutex_);
}

void FriendListRefresher::Run() {
  for (;;) {
    {
      EngineLock lock(mutex_);
      if (!pending_) {
        running_ = false;
        idle_.notify_all();
        return;
      }
      pending_ = false;
    }
    if (refresh_) refresh_();
  }
}

namespace {

enum : int { kIgnoreAll = 0, kAcceptAndAdd = 1, kAccept = 2, kRefuse = 3 };

// The log line for each action sent: before + account + after.
struct DecisionLine {
  int action;
  const char* before;
  const char* after;
};
constexpr DecisionLine kDecisionLines[] = {
    {kAcceptAndAdd, "已添加", "为好友。"},
    {kAccept, "已同意", "的添加。"},
    {kRefuse, "已拒绝", "的添加。"},
};

void Log(const VerificationServices& services, const std::string& content) {
  if (services.log) services.log->AddLogLine("验证", content);
}

// An empty account is never a member: the stored empty list ";;" must not accept or refuse
// a request whose number could not be read.
int ChooseAction(const RobotSettings& settings, const std::string& account) {
  if (IsInSemicolonList(settings.verifyWhiteList, account)) return kAcceptAndAdd;
  if (IsInSemicolonList(settings.verifyBlackList, account)) return kRefuse;
  return settings.verifyMode;
}

}  // namespace

void HandleFriendVerification(const VerificationServices& services, const RobotSettings& settings,
                              const std::string& account, const std::string& fromUin,
                              const std::string& message) {
  std::string request = account + "添加您为好友";
  if (!message.empty()) request += "。附加信息：" + message;
  Log(services, request);
  if (settings.verifyMode == kIgnoreAll) {
    Log(services, "已忽略" + account + "的添加。");
    return;
  }
  std::string remark = FillReplyTemplates(services.templates, settings.verifyRemark, message, fromUin, &account);
  std::string reason =
      FillReplyTemplates(services.templates, settings.verifyRefuseReason, message, fromUin, &account);
  int action = ChooseAction(settings, account);
  if (services.replier) {
    services.replier->ReplyFriendRequest(action, account, remark, settings.verifyCategory, reason);
  }
  for (const DecisionLine& line : kDecisionLines) {
    if (line.action != action) continue;
    if (action == kAcceptAndAdd && services.refresher) services.refresher->Request();
    Log(services, line.before + account + line.after);
  }
}
