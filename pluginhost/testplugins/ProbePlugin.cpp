// A plug-in the host's tests load: it reports every call it gets as a message-view row named
// after itself (through host function 3), so a test sees who was called with what.
// PROBE_NAME, PROBE_GROUP, PROBE_NULL_RECORD and PROBE_EXPORT_NAME select the variant.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "pluginhost/zpl.h"

namespace {

std::atomic<intptr_t> gHostFunctions{0};
PluginInfo gRecord;

void Report(const std::string& what) {
  auto host = reinterpret_cast<ZplGetHostFunction>(gHostFunctions.load());
  auto addLogLine = reinterpret_cast<ZplApiAddLogLineFunction>(host(ZplApiAddLogLine));
  addLogLine(PROBE_NAME, what.c_str());
}

int32_t ZPL_CALL OnMessage(int32_t kind, const char* source, const char* sender, const char* content) {
  std::string text = content;
  // "wait": stay inside the call a little, inside and outside a host function, so that an
  // unload during the call would be caught returning into freed code.
  if (text == "wait") std::this_thread::sleep_for(std::chrono::microseconds(200));
  Report("message " + std::to_string(kind) + " " + source + " " + sender + " " + text);
  if (text == "wait") std::this_thread::sleep_for(std::chrono::microseconds(200));
  return 1;  // "handled": must not stop the plug-ins after this one
}

int32_t ZPL_CALL OnStatus(int32_t code, const char* text) {
  Report("status " + std::to_string(code) + " " + text);
  return 1;
}

int32_t ZPL_CALL OnFriendRequest(const char* account, const char* fromUin, const char* message) {
  Report(std::string("friend ") + account + " " + fromUin + " " + message);
  return 1;
}

int32_t ZPL_CALL OnSettings(intptr_t owner) {
  Report("settings " + std::to_string(owner));
  return 0;
}

template <typename Routine>
intptr_t Address(Routine routine) {
  return reinterpret_cast<intptr_t>(routine);
}

}  // namespace

extern "C" ZPL_EXPORT intptr_t ZPL_CALL PROBE_EXPORT_NAME(intptr_t hostFunctions) {
  gHostFunctions.store(hostFunctions);
  gRecord = PluginInfo{3, 14, 2, 0,
                       PROBE_LABEL, reinterpret_cast<intptr_t>("探针说明"), reinterpret_cast<intptr_t>("测试"),
                       reinterpret_cast<intptr_t>("probe@example.invalid"), 0,
                       Address(&OnMessage), Address(&OnStatus), Address(&OnFriendRequest), PROBE_GROUP == 0,
                       Address(&OnSettings), PROBE_GROUP};
  return PROBE_NULL_RECORD ? 0 : reinterpret_cast<intptr_t>(&gRecord);
}
