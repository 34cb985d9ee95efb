// TemplatePlugin: the sample to start a plug-in from. It answers every chat message through
// the host, refuses every friend request, ignores status events and shows a message box as
// its settings. It keeps no function addresses: it asks GetHostFunction before every use.
#include <atomic>
#include <memory>
#include <string>

#include "TemplateSettings.h"
#include "pluginhost/zpl.h"

namespace {

// Written only by GetZpl; read by the entry points on any thread.
std::atomic<intptr_t> gHostFunctions{0};
PluginInfo gRecord;                         // zeroed at load, filled by GetZpl
std::unique_ptr<PluginInfo> gHandedOutCopy;  // the copy the last GetZpl returned

intptr_t HostFunction(int32_t n) { return reinterpret_cast<ZplGetHostFunction>(gHostFunctions.load())(n); }

int32_t ZPL_CALL OnMessage(int32_t kind, const char* source, const char* sender, const char* content) {
  auto strangerInfo = reinterpret_cast<ZplApiGetStrangerInfoFunction>(HostFunction(ZplApiGetStrangerInfo));
  std::string reply = strangerInfo(0, sender);  // copied at once: the host reuses the text
  reply += "发来了消息";
  reply += content;
  auto sendMessage = reinterpret_cast<ZplApiSendMessageFunction>(HostFunction(ZplApiSendMessage));
  return sendMessage(kind, source, sender, reply.c_str());
}

int32_t ZPL_CALL OnStatus(int32_t, const char*) { return 0; }

int32_t ZPL_CALL OnFriendRequest(const char* account, const char*, const char*) {
  auto answer = reinterpret_cast<ZplApiAnswerFriendRequestFunction>(HostFunction(ZplApiAnswerFriendRequest));
  answer(3, account, "0", 0, "hha");
  return 1;
}

int32_t ZPL_CALL OnSettings(intptr_t) {
  ShowTemplateSettings();
  return 0;
}

intptr_t Text(const char* text) { return reinterpret_cast<intptr_t>(text); }
template <typename Routine>
intptr_t Address(Routine routine) {
  return reinterpret_cast<intptr_t>(routine);
}

}  // namespace

extern "C" ZPL_EXPORT intptr_t ZPL_CALL GetZpl(intptr_t hostFunctions) {
  gHostFunctions.store(hostFunctions);
  gRecord = PluginInfo{1, 0, 2, 0,
                       Text("TemplatePlugin"), Text("TemplatePlugin！"), Text("Zuvo"), Text("zuvo@example.invalid"),
                       Text("TemplatePlugin"),
                       Address(&OnMessage), Address(&OnStatus), Address(&OnFriendRequest), 1, Address(&OnSettings),
                       0};
  gHandedOutCopy = std::make_unique<PluginInfo>(gRecord);
  return reinterpret_cast<intptr_t>(gHandedOutCopy.get());
}
