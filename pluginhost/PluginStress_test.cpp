// Five poll threads notify while the window thread enables, disables and uninstalls the same
// plug-in over and over. The probe stays inside each call for a moment, also inside a host
// function, so a DLL freed during a call would be caught returning into unmapped code.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "PluginTestSupport.h"
#include "pluginhost/PluginManager.h"

namespace {

TEST(PluginStress, NotificationsSurviveEnableDisableAndUninstallCycles) {
  PluginRunDirectory run;
  PluginList plugins;
  BoundEngine bound(plugins, run.path());
  bound.engine.robotRunning = true;
  std::string path = run.Plugin("SystemProbe.zpl");

  std::atomic<bool> done{false};
  std::atomic<long> notifications{0};
  std::vector<std::thread> pollThreads;
  for (int t = 0; t < 5; ++t) {
    pollThreads.emplace_back([&, t] {
      while (!done.load()) {
        plugins.NotifyMessage(0, "u" + std::to_string(t), "u", "wait", true);
        plugins.NotifyStatus(121, "", false);
        notifications.fetch_add(1);
      }
    });
  }
  // Stops at the first failure, so that the poll threads are joined whatever happens.
  auto runCycle = [&](int cycle) {
    if (!CopyFileTo(ProbeFile("SystemProbe"), path, true)) return "copy";
    int32_t id = LoadPlugin(plugins, path, true);
    if (id == 0) return "load";
    if (TogglePlugin(plugins, id).id != id) return "disable";
    int32_t enabledAgain = TogglePlugin(plugins, id).id;  // a new load
    if (enabledAgain == 0) return "enable";
    if (!UninstallPlugin(plugins, enabledAgain).removed) return "uninstall";
    (void)cycle;
    return "";
  };
  std::string failure;
  int cycle = 0;
  for (; cycle < 1000 && failure.empty(); ++cycle) failure = runCycle(cycle);
  done = true;
  for (auto& thread : pollThreads) thread.join();
  EXPECT_EQ(failure, "") << "cycle " << cycle - 1 << ", releases waiting: " << plugins.PendingReleases();
  UnloadAllPlugins(plugins);
  EXPECT_EQ(plugins.PendingReleases(), 0u);
  EXPECT_TRUE(plugins.Entries().empty());
  EXPECT_GT(notifications.load(), 0);
  EXPECT_FALSE(bound.RowsFrom("SystemProbe").empty());  // the probe was reached during the cycles
}

}  // namespace
