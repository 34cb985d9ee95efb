#include "pluginhost/PluginList.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

#include "pluginhost/HostFunctions.h"
#include "zuvo/platform/DynLib.h"

namespace {

constexpr int32_t kFirstPluginId = 1000;

intptr_t RoutineFor(const PluginInfo& info, PluginEvent event) {
  switch (event) {
    case PluginEvent::kMessage:
      return info.onMessage;
    case PluginEvent::kStatus:
      return info.onStatus;
    case PluginEvent::kFriendRequest:
      return info.onFriendRequest;
  }
  return 0;
}

}  // namespace

PluginList::~PluginList() { UnloadAll(); }

std::vector<PluginEntry> PluginList::Entries() const {
  EngineLock lock(mutex_);
  return entries_;
}

bool PluginList::FindById(int32_t id, PluginEntry* entry) const {
  EngineLock lock(mutex_);
  for (const PluginEntry& candidate : entries_) {
    if (candidate.id != id) continue;
    *entry = candidate;
    return true;
  }
  return false;
}

bool PluginList::FindByPath(std::string_view path, PluginEntry* entry) const {
  EngineLock lock(mutex_);
  for (const PluginEntry& candidate : entries_) {
    if (candidate.path != path) continue;
    *entry = candidate;
    return true;
  }
  return false;
}

int32_t PluginList::TakeNextPluginId() {
  EngineLock lock(mutex_);
  // The sum doubles with every load, so it leaves 32 bits after some twenty loads of a run.
  int64_t sum = entries_.empty() ? kFirstPluginId : 0;
  bool fits = true;
  for (size_t i = 0; i < entries_.size() && fits; ++i) {
    sum += int64_t{entries_[i].id} + int64_t(i + 1);
    fits = sum <= std::numeric_limits<int32_t>::max();
  }
  int32_t id = 0;
  if (fits) {
    id = static_cast<int32_t>(sum);
  } else if (highestIssuedId_ < std::numeric_limits<int32_t>::max()) {
    id = std::max(highestIssuedId_ + 1, 2);
  } else {
    // Two billion loads later: the smallest id nobody in the list holds.
    id = 2;
    while (std::any_of(entries_.begin(), entries_.end(), [id](const PluginEntry& e) { return e.id == id; })) ++id;
  }
  highestIssuedId_ = std::max(highestIssuedId_, id);
  return id;
}

void PluginList::StorePluginEntry(PluginEntry entry) {
  std::shared_ptr<LoadedModule> replacedModule;
  {
    EngineLock lock(mutex_);
    auto same = std::find_if(entries_.begin(), entries_.end(),
                             [&](const PluginEntry& e) { return e.path == entry.path; });
    if (same == entries_.end()) {
      entries_.push_back(std::move(entry));
    } else {
      if (same->module != entry.module) replacedModule = same->module;
      *same = std::move(entry);
    }
  }
  if (replacedModule) ReleaseModule(std::move(replacedModule));
}

bool PluginList::DisablePlugin(int32_t id) {
  std::shared_ptr<LoadedModule> module;
  {
    EngineLock lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(), [id](const PluginEntry& e) { return e.id == id; });
    if (it == entries_.end()) return false;
    it->enabled = false;
    module = std::move(it->module);
    it->module.reset();
  }
  if (module) ReleaseModule(std::move(module));
  return true;
}

void PluginList::ReleaseDisabledModules() {
  std::vector<std::shared_ptr<LoadedModule>> modules;
  {
    EngineLock lock(mutex_);
    for (PluginEntry& entry : entries_) {
      if (entry.enabled || !entry.module) continue;
      modules.push_back(std::move(entry.module));
      entry.module.reset();
    }
  }
  for (auto& module : modules) ReleaseModule(std::move(module));
  FreeIdleReleasedModules();
}

bool PluginList::RemovePlugin(int32_t id) {
  std::shared_ptr<LoadedModule> module;
  {
    EngineLock lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(), [id](const PluginEntry& e) { return e.id == id; });
    if (it == entries_.end()) return false;
    module = std::move(it->module);
    entries_.erase(it);
  }
  if (module) ReleaseModule(std::move(module));
  return true;
}

void PluginList::UnloadAll(int waitMilliseconds) {
  std::vector<std::shared_ptr<LoadedModule>> modules;
  {
    EngineLock lock(mutex_);
    for (PluginEntry& entry : entries_) {
      entry.enabled = false;
      if (entry.module) modules.push_back(std::move(entry.module));
      entry.module.reset();
    }
  }
  for (auto& module : modules) ReleaseModule(std::move(module));
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
  while (PendingReleases() != 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    FreeIdleReleasedModules();
  }
}

size_t PluginList::PendingReleases() const {
  EngineLock lock(mutex_);
  return releasedModules_.size() + freesInProgress_;
}

void PluginList::ReleaseModule(std::shared_ptr<LoadedModule> module) {
  {
    EngineLock lock(mutex_);
    if (module->released) return;
    module->released = true;
    releasedModules_.push_back(std::move(module));
  }
  FreeIdleReleasedModules();
}

void PluginList::FreeIdleReleasedModules() {
  std::vector<std::shared_ptr<LoadedModule>> idle;
  {
    EngineLock lock(mutex_);
    if (releasedModules_.empty()) return;
    // A host function running now may have been called from any of these DLLs.
    if (HostCallsInProgress() != 0) return;
    auto busy = std::stable_partition(releasedModules_.begin(), releasedModules_.end(),
                                      [](const std::shared_ptr<LoadedModule>& m) { return m->activeCalls != 0; });
    idle.assign(std::make_move_iterator(busy), std::make_move_iterator(releasedModules_.end()));
    releasedModules_.erase(busy, releasedModules_.end());
    freesInProgress_ += idle.size();
  }
  // Outside the lock: the DLL's unload notification runs here and may call the host.
  for (auto& module : idle) FreeDynLib(module->lib);
  if (idle.empty()) return;
  EngineLock lock(mutex_);
  freesInProgress_ -= idle.size();
}

bool PluginList::EnterCall(LoadedModule& module) {
  EngineLock lock(mutex_);
  if (module.released) return false;
  ++module.activeCalls;
  EnterCountedPluginRoutine();
  return true;
}

void PluginList::LeaveCall(LoadedModule& module) {
  bool mayFree = false;
  {
    EngineLock lock(mutex_);
    LeaveCountedPluginRoutine();
    --module.activeCalls;
    mayFree = !releasedModules_.empty();
  }
  // Back in host code: the routine has returned, so its DLL may go now.
  if (mayFree) FreeIdleReleasedModules();
}

std::vector<PluginList::PluginCall> PluginList::CallsFor(PluginEvent event, bool robotRunning) const {
  std::vector<PluginCall> calls;
  EngineLock lock(mutex_);
  for (const PluginEntry& entry : entries_) {
    intptr_t routine = RoutineFor(entry.info, event);
    if (!entry.enabled || !entry.module || routine == 0) continue;
    if (!robotRunning && !IsSystemPlugin(entry.info)) continue;
    calls.push_back({entry.module, routine});
  }
  return calls;
}

template <typename CallRoutine>
void PluginList::Notify(PluginEvent event, bool robotRunning, const CallRoutine& callRoutine) {
  for (const PluginCall& call : CallsFor(event, robotRunning)) {
    if (!EnterCall(*call.module)) continue;  // released since the walk began
    callRoutine(call.routine);
    LeaveCall(*call.module);
  }
}

void PluginList::NotifyMessage(int kind, const std::string& source, const std::string& sender,
                               const std::string& content, bool robotRunning) {
  Notify(PluginEvent::kMessage, robotRunning, [&](intptr_t routine) {
    reinterpret_cast<ZplOnMessage>(routine)(kind, source.c_str(), sender.c_str(), content.c_str());
  });
}

void PluginList::NotifyStatus(int code, const std::string& text, bool robotRunning) {
  Notify(PluginEvent::kStatus, robotRunning,
         [&](intptr_t routine) { reinterpret_cast<ZplOnStatus>(routine)(code, text.c_str()); });
}

void PluginList::NotifyFriendRequest(const std::string& account, const std::string& fromUin,
                                     const std::string& message, bool robotRunning) {
  Notify(PluginEvent::kFriendRequest, robotRunning, [&](intptr_t routine) {
    reinterpret_cast<ZplOnFriendRequest>(routine)(account.c_str(), fromUin.c_str(), message.c_str());
  });
}

RobotHooks WithPluginNotifications(RobotHooks hooks, PluginList& list) {
  hooks.notifyPluginsMessage = [&list](int kind, const std::string& source, const std::string& sender,
                                       const std::string& content, bool robotRunning) {
    list.NotifyMessage(kind, source, sender, content, robotRunning);
  };
  hooks.notifyPluginsFriendRequest = [&list](const std::string& account, const std::string& fromUin,
                                             const std::string& message, bool robotRunning) {
    list.NotifyFriendRequest(account, fromUin, message, robotRunning);
  };
  hooks.notifyPluginsStatus = [&list](int code, const std::string& text, bool robotRunning) {
    list.NotifyStatus(code, text, robotRunning);
  };
  return hooks;
}

bool PluginList::CallSettings(int32_t id, intptr_t owner) {
  std::shared_ptr<LoadedModule> module;
  intptr_t routine = 0;
  {
    EngineLock lock(mutex_);
    for (const PluginEntry& entry : entries_) {
      if (entry.id != id) continue;
      if (entry.enabled && entry.module) {
        module = entry.module;
        routine = entry.info.onSettings;
      }
      break;
    }
  }
  if (!module || routine == 0 || !EnterCall(*module)) return false;
  reinterpret_cast<ZplOnSettings>(routine)(owner);
  LeaveCall(*module);
  return true;
}
