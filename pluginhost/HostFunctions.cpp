// Every host function copies its text arguments in (0 becomes ""), runs the engine's
// operation, and for functions 1, 2 and 4 keeps the result in a per-thread slot of its own
// that the next call of the same function on the same thread replaces. The slots are
// thread_local strings of the program itself, so a thread's results go when the thread ends.
#include "pluginhost/HostFunctions.h"

#include <atomic>
#include <shared_mutex>
#include <string>

#include "engine/RobotEngine.h"

namespace {

std::shared_mutex gBindingMutex;      // shared by host calls, exclusive to rebinding
RobotEngine* gBoundEngine = nullptr;  // GUARDED_BY(gBindingMutex)
std::atomic<int> gHostCallsInProgress{0};

thread_local int tCountedRoutineDepth = 0;
thread_local std::string tNumberResult;
thread_local std::string tStrangerInfoResult;
thread_local std::string tFriendAnswerResult;

std::string CopyIn(const char* text) { return text ? std::string(text) : std::string(); }

// Counts the call and holds the binding for its length.
class HostCall {
 public:
  HostCall() : counted_(tCountedRoutineDepth == 0), binding_(gBindingMutex) {
    if (counted_) gHostCallsInProgress.fetch_add(1);
  }
  ~HostCall() {
    if (counted_) gHostCallsInProgress.fetch_sub(1);
  }
  HostCall(const HostCall&) = delete;
  HostCall& operator=(const HostCall&) = delete;
  RobotEngine* engine() const { return gBoundEngine; }

 private:
  const bool counted_;
  std::shared_lock<std::shared_mutex> binding_;
};

const char* KeepResult(std::string* slot, std::string result) {
  *slot = std::move(result);
  return slot->c_str();
}

extern "C" int32_t ZPL_CALL ApiSendMessage(int32_t kind, const char* target, const char* member,
                                           const char* content) {
  HostCall call;
  if (!call.engine()) return 0;
  return QueueMessage(*call.engine(), kind, CopyIn(target), CopyIn(member), CopyIn(content)) ? 1 : 0;
}

extern "C" const char* ZPL_CALL ApiGetNumber(int32_t type, const char* id) {
  HostCall call;
  std::string number;
  if (call.engine() && (type == 0 || type == 1)) number = call.engine()->client.LookupQQNumber(type, CopyIn(id));
  return KeepResult(&tNumberResult, std::move(number));
}

extern "C" const char* ZPL_CALL ApiGetStrangerInfo(int32_t type, const char* uin) {
  HostCall call;
  std::string info;
  if (call.engine() && (type == kStrangerNickname || type == kStrangerLocation)) {
    info = call.engine()->client.GetStrangerInfo(type, CopyIn(uin));
  }
  return KeepResult(&tStrangerInfoResult, std::move(info));
}

extern "C" int32_t ZPL_CALL ApiAddLogLine(const char* source, const char* content) {
  HostCall call;
  if (!call.engine()) return 0;
  call.engine()->log.AddLogLine(CopyIn(source), CopyIn(content));
  return 1;
}

extern "C" const char* ZPL_CALL ApiAnswerFriendRequest(int32_t action, const char* account,
                                                       const char* remark, int32_t category,
                                                       const char* reason) {
  HostCall call;
  std::string answer;
  if (call.engine() && action >= 1 && action <= 3) {
    answer = call.engine()->client.ReplyFriendRequestText(action, CopyIn(account), CopyIn(remark), category,
                                                          CopyIn(reason));
  }
  return KeepResult(&tFriendAnswerResult, std::move(answer));
}

// Indexed by the function's number.
const intptr_t kHostFunctions[] = {
    reinterpret_cast<intptr_t>(&ApiSendMessage),
    reinterpret_cast<intptr_t>(&ApiGetNumber),
    reinterpret_cast<intptr_t>(&ApiGetStrangerInfo),
    reinterpret_cast<intptr_t>(&ApiAddLogLine),
    reinterpret_cast<intptr_t>(&ApiAnswerFriendRequest),
};
static_assert(sizeof(kHostFunctions) / sizeof(kHostFunctions[0]) == ZplApiAnswerFriendRequest + 1,
              "one address per host function number");

}  // namespace

void BindPluginHost(RobotEngine* engine) {
  std::unique_lock<std::shared_mutex> lock(gBindingMutex);
  gBoundEngine = engine;
}

extern "C" intptr_t ZPL_CALL GetHostFunction(int32_t n) {
  if (n < 0 || n > ZplApiAnswerFriendRequest) return 0;
  return kHostFunctions[n];
}

int HostCallsInProgress() { return gHostCallsInProgress.load(); }

void EnterCountedPluginRoutine() { ++tCountedRoutineDepth; }
void LeaveCountedPluginRoutine() { --tCountedRoutineDepth; }
