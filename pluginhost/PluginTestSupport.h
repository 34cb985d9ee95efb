// What the plug-in host's tests share: a throw-away run directory with a "libzpl" folder,
// the paths of the test plug-ins the build makes, and an engine bound to the host
// functions with a fake client.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/FakeRobotClient.h"
#include "engine/RobotEngine.h"
#include "pluginhost/HostFunctions.h"
#include "pluginhost/PluginList.h"
#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"

// A test plug-in built beside the test programs: "SystemProbe", "ExtensionProbe",
// "NamelessProbe", "NullRecordProbe", "OnlyExProbe".
inline std::string ProbeFile(const std::string& name) { return RunDirectory() + "\\zpl\\" + name + PROBE_SUFFIX; }

class PluginRunDirectory {
 public:
  PluginRunDirectory() : path_(RunDirectory() + "\\插件测试" + std::to_string(RandomBetween(0, 1 << 30))) {
    EXPECT_TRUE(CreateFolderTree(path_ + "\\libzpl"));
  }
  ~PluginRunDirectory() { RemoveFolderTree(path_); }
  const std::string& path() const { return path_; }
  std::string Plugin(const std::string& relative) const { return path_ + "\\libzpl\\" + relative; }
  // Copies a test plug-in to libzpl\<relative>.
  std::string AddProbe(const std::string& probe, const std::string& relative) const {
    std::string target = Plugin(relative);
    EXPECT_TRUE(CreateFolderTree(ParentFolder(target)));
    EXPECT_TRUE(CopyFileTo(ProbeFile(probe), target, true)) << probe;
    return target;
  }

 private:
  std::string path_;
};

// An engine on a fake client whose host functions plug-ins reach; notifications go to `plugins`.
struct BoundEngine {
  explicit BoundEngine(PluginList& plugins, const std::string& runDirectory = RunDirectory())
      : engine(runDirectory, client, log, WithPluginNotifications({}, plugins)) {
    BindPluginHost(&engine);
  }
  ~BoundEngine() { BindPluginHost(nullptr); }

  // Rows a plug-in wrote through ApiAddLogLine, oldest first, as "source: content".
  std::vector<std::string> RowsFrom(const std::string& source) const {
    std::vector<std::string> rows;
    for (const LogRow& row : log.Rows()) {
      if (row.source == source) rows.insert(rows.begin(), row.content);
    }
    return rows;
  }

  FakeRobotClient client;
  MessageLog log;
  RobotEngine engine;
};
