// LookupPlugin: a system plug-in answering "#百科 word" with the summary of the word's
// encyclopedia article. The site's address comes from the "Servers" section of the robot's
// ZuvoRobot.ini, read at every command so that a changed file takes effect at once.
#include <atomic>
#include <memory>

#include "Lookup.h"
#include "pluginhost/zpl.h"
#include "webqq/transport/ServiceAddresses.h"
#include "zuvo/platform/Process.h"

namespace {

std::atomic<intptr_t> gHostFunctions{0};  // written only by GetZpl
PluginInfo gRecord;
std::unique_ptr<PluginInfo> gHandedOutCopy;

int32_t ZPL_CALL OnMessage(int32_t kind, const char* source, const char* sender, const char* content) {
  auto hostFunctions = reinterpret_cast<ZplGetHostFunction>(gHostFunctions.load());
  return LookupCommand(hostFunctions, LoadServiceAddresses(RunDirectory()).encyclopedia, kind, source, sender,
                       content);
}

int32_t ZPL_CALL IgnoreStatus(int32_t, const char*) { return 0; }
int32_t ZPL_CALL IgnoreFriendRequest(const char*, const char*, const char*) { return 0; }
int32_t ZPL_CALL IgnoreSettings(intptr_t) { return 0; }

intptr_t Text(const char* text) { return reinterpret_cast<intptr_t>(text); }
template <typename Routine>
intptr_t Address(Routine routine) {
  return reinterpret_cast<intptr_t>(routine);
}

}  // namespace

extern "C" ZPL_EXPORT intptr_t ZPL_CALL GetZpl(intptr_t hostFunctions) {
  gHostFunctions.store(hostFunctions);
  gRecord = PluginInfo{1, 0, 2, 0,
                       Text("LookupPlugin"), Text("LookupPlugin！"), Text("Zuvo"), Text("zuvo@example.invalid"),
                       Text("#百科 待查询的内容"),
                       Address(&OnMessage), Address(&IgnoreStatus), Address(&IgnoreFriendRequest), 0,
                       Address(&IgnoreSettings), SystemPluginGroup};
  gHandedOutCopy = std::make_unique<PluginInfo>(gRecord);
  return reinterpret_cast<intptr_t>(gHandedOutCopy.get());
}
