// The list of known plug-ins, one per process, and the lifetime of their loaded DLLs.
//
// The window thread changes the list; poll threads walk it to notify the plug-ins. A
// notification copies what it needs under the lock and calls the plug-ins without it, so a
// change never disturbs a walk. Every call into a DLL is counted on its LoadedModule; a
// release marks the module so that no new call starts and frees it only when no call into it
// and no host function call is running. When that is not yet so, the DLL is freed by the end
// of the last such call, or by a later change of the list: the window thread never waits
// for a plug-in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/RobotClient.h"
#include "engine/ThreadAnnotations.h"
#include "pluginhost/zpl.h"

struct DynLib;

// One load of a plug-in's DLL. The counters are guarded by the owning PluginList's mutex.
struct LoadedModule {
  explicit LoadedModule(DynLib* library) : lib(library) {}
  DynLib* const lib;
  int activeCalls = 0;    // calls into the DLL running now
  bool released = false;  // no new call may start; free once activeCalls is 0
};

// The five texts of a PluginInfo, copied out of the plug-in.
struct PluginTexts {
  std::string name, description, author, email, otherInfo;
};

struct PluginEntry {
  PluginInfo info{};  // the slots as GetZpl gave them; the text slots are not read again
  PluginTexts texts;
  std::shared_ptr<LoadedModule> module;  // null when the DLL is not loaded
  std::string path;
  bool enabled = false;
  int32_t id = 0;
};

inline bool IsSystemPlugin(const PluginInfo& info) { return info.group == SystemPluginGroup; }

// The entry point slots a notification can use.
enum class PluginEvent { kMessage, kStatus, kFriendRequest };

class PluginList {
 public:
  PluginList() = default;
  ~PluginList();  // UnloadAll
  PluginList(const PluginList&) = delete;
  PluginList& operator=(const PluginList&) = delete;

  // Window thread: reading and changing the list.
  std::vector<PluginEntry> Entries() const;  // copies, in list order
  bool FindById(int32_t id, PluginEntry* entry) const;
  bool FindByPath(std::string_view path, PluginEntry* entry) const;
  // The next id: 1000 for an empty list, else the sum of (id + position) over the list while
  // that fits in 32 bits; beyond, one above the highest id issued. Never 0 or 1, never an id
  // in the list.
  int32_t TakeNextPluginId();
  // Replaces the entry with the same path in its place (releasing its DLL when the new entry
  // holds another load) or appends.
  void StorePluginEntry(PluginEntry entry);
  // Releases the entry's DLL and clears `enabled`; false when no entry has the id.
  bool DisablePlugin(int32_t id);
  // Releases the DLL of every entry that is not enabled.
  void ReleaseDisabledModules();
  // Releases the entry's DLL and takes the entry out; false when no entry has the id.
  bool RemovePlugin(int32_t id);
  // Releases every DLL and waits up to `waitMilliseconds` for running calls to return; DLLs
  // still in use then stay loaded (at exit the system takes them). The entries stay listed,
  // disabled.
  void UnloadAll(int waitMilliseconds = 5000);
  // DLLs released and not yet freed (waiting for their calls, or being freed right now).
  size_t PendingReleases() const;
  // Frees the released DLLs whose calls have all returned.
  void FreeIdleReleasedModules();

  // Window thread: onSettings of an enabled plug-in, counted like any call. False when the
  // entry is not enabled or has no onSettings.
  bool CallSettings(int32_t id, intptr_t owner);

  // Any thread: hand one event to every enabled plug-in with that entry point, in list
  // order; while the robot is stopped, to the system plug-ins only. Results are ignored.
  void NotifyMessage(int kind, const std::string& source, const std::string& sender,
                     const std::string& content, bool robotRunning);
  void NotifyStatus(int code, const std::string& text, bool robotRunning);
  void NotifyFriendRequest(const std::string& account, const std::string& fromUin,
                           const std::string& message, bool robotRunning);

 private:
  struct PluginCall {
    std::shared_ptr<LoadedModule> module;
    intptr_t routine;
  };
  std::vector<PluginCall> CallsFor(PluginEvent event, bool robotRunning) const;
  template <typename CallRoutine>
  void Notify(PluginEvent event, bool robotRunning, const CallRoutine& callRoutine);
  bool EnterCall(LoadedModule& module);
  void LeaveCall(LoadedModule& module);
  // Marks the module released; frees now what may be freed.
  void ReleaseModule(std::shared_ptr<LoadedModule> module);

  mutable EngineMutex mutex_;
  std::vector<PluginEntry> entries_ ENGINE_GUARDED_BY(mutex_);
  std::vector<std::shared_ptr<LoadedModule>> releasedModules_ ENGINE_GUARDED_BY(mutex_);
  size_t freesInProgress_ ENGINE_GUARDED_BY(mutex_) = 0;  // taken off releasedModules_, FreeDynLib running
  int32_t highestIssuedId_ ENGINE_GUARDED_BY(mutex_) = 1;
};

// `hooks` with the three plug-in notifications of the engine filled in to notify `list`.
RobotHooks WithPluginNotifications(RobotHooks hooks, PluginList& list);
