#include "pluginhost/PluginManager.h"

#include <gtest/gtest.h>

#include <set>

#include "PluginTestSupport.h"
#include "pluginhost/PeExports.h"

namespace {

std::vector<std::string> Labels(const PluginTreeNode& group) {
  std::vector<std::string> labels;
  for (const PluginTreeNode& node : group.children) labels.push_back(node.label);
  return labels;
}

int32_t IdOf(const PluginList& list, const std::string& path) {
  PluginEntry entry;
  return list.FindByPath(path, &entry) ? entry.id : 0;
}

bool IsLoaded(const PluginList& list, int32_t id) {
  PluginEntry entry;
  return list.FindById(id, &entry) && entry.module != nullptr;
}

// libzpl holds an extension probe in a sub-folder, a nameless and a system probe, and three
// files that are no plug-in.
class PluginManager : public ::testing::Test {
 protected:
  PluginManager() {
    extensionPath = run.AddProbe("ExtensionProbe", "sub\\ExtensionProbe.zpl");
    namelessPath = run.AddProbe("NamelessProbe", "Nameless.zpl");
    systemPath = run.AddProbe("SystemProbe", "SystemProbe.zpl");
    run.AddProbe("NullRecordProbe", "NullRecord.zpl");
    run.AddProbe("OnlyExProbe", "OnlyEx.zpl");
    EXPECT_TRUE(ReplaceWholeFile(run.Plugin("Text.zpl"), "not a library\r\n"));
  }
  void ScanAndFill() {
    ScanPlugins(plugins, run.path());
    tree = FillPluginTree(plugins);
  }
  PluginRunDirectory run;
  PluginList plugins;
  PluginTree tree;
  std::string extensionPath, namelessPath, systemPath;
};

TEST_F(PluginManager, ScanListsThePluginsDisabledUnloadedAndGroupedInScanOrder) {
  ScanAndFill();
  // Sub-folders first, then the folder's own files by name; the non-plug-ins are left out.
  std::vector<PluginEntry> entries = plugins.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].path, extensionPath);
  EXPECT_EQ(entries[1].path, namelessPath);
  EXPECT_EQ(entries[2].path, systemPath);
  EXPECT_EQ(entries[0].id, 1000);
  EXPECT_EQ(entries[1].id, 1001);
  EXPECT_EQ(entries[2].id, 2004);
  for (const PluginEntry& entry : entries) {
    EXPECT_FALSE(entry.enabled) << entry.path;
    EXPECT_EQ(entry.module, nullptr) << entry.path;
  }
  // The first listed plug-in's group comes first; the nameless plug-in has an empty label.
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].label, "扩展插件");
  EXPECT_EQ(tree[0].data, kExtensionGroupNodeData);
  EXPECT_EQ(Labels(tree[0]), (std::vector<std::string>{"ExtensionProbe", ""}));
  EXPECT_EQ(tree[1].label, "系统插件");
  EXPECT_EQ(tree[1].data, kSystemGroupNodeData);
  EXPECT_EQ(Labels(tree[1]), (std::vector<std::string>{"SystemProbe"}));
  EXPECT_EQ(tree[1].children[0].data, 2004);
}

TEST_F(PluginManager, InformationTextsForPluginsGroupsAndUnknownIds) {
  ScanAndFill();
  EXPECT_EQ(BuildPluginInfoText(plugins, 2004),
            "插件名称：SystemProbe (3.14版)\r\n插件说明：探针说明\r\n插件路径：" + systemPath +
                "\r\n\r\n----- 插件的作者信息 -----\r\n插件作者：测试\r\n电子信箱：probe@example.invalid\r\n其它信息：");
  EXPECT_EQ(BuildPluginInfoText(plugins, 999), "");
  EXPECT_EQ(GroupNodeInfoText(kSystemGroupNodeData), "此分组是用来展示系统及官方插件等");
  EXPECT_EQ(GroupNodeInfoText(kExtensionGroupNodeData), "此分组是用来展示扩展及第三方插件等");
}

TEST_F(PluginManager, StoppedRobotNotifiesOnlyEnabledSystemPluginsRunningNotifiesAllInOrder) {
  ScanAndFill();
  BoundEngine bound(plugins, run.path());
  int32_t system = TogglePlugin(plugins, 2004).id;
  int32_t extension = TogglePlugin(plugins, 1000).id;  // the nameless one stays disabled
  ASSERT_NE(system, 0);
  ASSERT_NE(extension, 0);
  HandleChatEvent(bound.engine, 0, "u1", "u1", "stopped");
  HandleFriendRequest(bound.engine, "10009", "u9", "");
  HandleStatusEvent(bound.engine, 121, "");
  bound.engine.robotRunning = true;
  HandleChatEvent(bound.engine, 1, "g1", "u2", "running");
  EXPECT_EQ(bound.RowsFrom("SystemProbe"),
            (std::vector<std::string>{"message 0 u1 u1 stopped", "friend 10009 u9 ", "status 121 ",
                                      "message 1 g1 u2 running"}));
  EXPECT_EQ(bound.RowsFrom("ExtensionProbe"), (std::vector<std::string>{"message 1 g1 u2 running"}));
  EXPECT_TRUE(bound.RowsFrom("NamelessProbe").empty());
  // The extension probe is listed first and answered "handled": the system probe still ran.
  std::vector<LogRow> rows = bound.log.Rows();
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[2].source, "ExtensionProbe");
  EXPECT_EQ(rows[1].source, "SystemProbe");
}

TEST_F(PluginManager, ToggleGivesANewIdOnEnableKeepsItOnDisableAndFailsForAMissingFile) {
  ScanAndFill();
  ToggleOutcome enabled = TogglePlugin(plugins, 1000);
  EXPECT_TRUE(enabled.enabled);
  EXPECT_GT(enabled.id, 2004);
  EXPECT_TRUE(enabled.notice.text.empty());
  EXPECT_TRUE(IsLoaded(plugins, enabled.id));
  EXPECT_EQ(plugins.Entries()[0].path, extensionPath);  // replaced in its place
  EXPECT_EQ(BuildPluginMenu(plugins, FindPluginNode(FillPluginTree(plugins), enabled.id)).toggleCaption, "停用(&E)");
  EXPECT_EQ(DisableQuestion("ExtensionProbe").text,
            "确定要停用“ExtensionProbe”吗？\r\n\r\n停用将会关闭该插件的一切操作");

  ToggleOutcome disabled = TogglePlugin(plugins, enabled.id);
  EXPECT_EQ(disabled.id, enabled.id);
  EXPECT_FALSE(disabled.enabled);
  EXPECT_FALSE(IsLoaded(plugins, enabled.id));

  ASSERT_TRUE(RemoveFile(systemPath));
  for (int32_t id : {2004, 4242}) {
    ToggleOutcome failed = TogglePlugin(plugins, id);
    EXPECT_EQ(failed.id, 0) << id;
    EXPECT_EQ(failed.notice.text, "插件启用失败，插件不存在。") << id;
    EXPECT_EQ(failed.notice.title, "错误");
    EXPECT_EQ(failed.notice.icon, NoticeIcon::kError);
  }
}

TEST_F(PluginManager, MenuFollowsTheSelection) {
  ScanAndFill();
  struct Case {
    const PluginTreeNode* selected;
    bool install, toggle, settings, uninstall;
  } cases[] = {
      {nullptr, true, false, false, false},
      {&tree[0], true, false, false, false},
      {&tree[0].children[0], false, true, true, true},  // extension probes offer settings
      {&tree[1].children[0], false, true, false, true},
  };
  for (const Case& c : cases) {
    PluginMenuState menu = BuildPluginMenu(plugins, c.selected);
    std::string label = c.selected ? c.selected->label : "(none)";
    EXPECT_EQ(menu.installVisible, c.install) << label;
    EXPECT_EQ(menu.toggleVisible, c.toggle) << label;
    EXPECT_EQ(menu.settingsVisible, c.settings) << label;
    EXPECT_EQ(menu.uninstallEnabled, c.uninstall) << label;
    EXPECT_EQ(menu.toggleCaption, "启用(&S)") << label;
  }
}

TEST_F(PluginManager, SettingsNeedAnEnabledPlugin) {
  ScanAndFill();
  BoundEngine bound(plugins, run.path());
  PluginNotice warning = OpenPluginSettings(plugins, 1000, 77);
  EXPECT_EQ(warning.text, "你必须先启用该插件才能对其进行设置。");
  EXPECT_EQ(warning.title, "警告");
  EXPECT_TRUE(bound.RowsFrom("ExtensionProbe").empty());
  int32_t id = TogglePlugin(plugins, 1000).id;
  EXPECT_TRUE(OpenPluginSettings(plugins, id, 77).text.empty());
  EXPECT_EQ(bound.RowsFrom("ExtensionProbe"), (std::vector<std::string>{"settings 77"}));
}

TEST_F(PluginManager, UninstallUnloadsDeletesAndForgetsTheEntry) {
  ScanAndFill();
  BoundEngine bound(plugins, run.path());
  int32_t id = TogglePlugin(plugins, 2004).id;
  EXPECT_EQ(UninstallQuestion("SystemProbe").text, "确定要卸载“SystemProbe”吗？");
  UninstallOutcome outcome = UninstallPlugin(plugins, id);
  EXPECT_TRUE(outcome.removed);
  EXPECT_EQ(outcome.notice.text, "卸载成功。");
  EXPECT_EQ(outcome.notice.title, "提示");
  EXPECT_FALSE(PathExists(systemPath));
  EXPECT_EQ(IdOf(plugins, systemPath), 0);
  EXPECT_EQ(plugins.PendingReleases(), 0u);
  HandleChatEvent(bound.engine, 0, "u1", "u1", "after");
  EXPECT_TRUE(bound.RowsFrom("SystemProbe").empty());
  tree = FillPluginTree(plugins);
  ASSERT_EQ(tree.size(), 1u);  // the system group went with its only plug-in

  UninstallOutcome unknown = UninstallPlugin(plugins, id);
  EXPECT_FALSE(unknown.removed);
  EXPECT_EQ(unknown.notice.text, "卸载失败，请手动删除。");
  EXPECT_EQ(unknown.notice.title, "error");
  EXPECT_EQ(unknown.notice.icon, NoticeIcon::kExclamation);
}

TEST_F(PluginManager, RescanListsEveryPluginDisabledAgainInItsPlace) {
  ScanAndFill();
  int32_t id = TogglePlugin(plugins, 1001).id;
  ASSERT_TRUE(IsLoaded(plugins, id));
  ScanAndFill();
  std::vector<PluginEntry> entries = plugins.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].path, namelessPath);
  for (const PluginEntry& entry : entries) {
    EXPECT_FALSE(entry.enabled);
    EXPECT_EQ(entry.module, nullptr);
  }
  EXPECT_EQ(plugins.PendingReleases(), 0u);
}

TEST_F(PluginManager, UnloadAllReleasesEveryDll) {
  ScanAndFill();
  TogglePlugin(plugins, 1000);
  TogglePlugin(plugins, 2004);
  UnloadAllPlugins(plugins);
  for (const PluginEntry& entry : plugins.Entries()) {
    EXPECT_FALSE(entry.enabled);
    EXPECT_EQ(entry.module, nullptr);
  }
  EXPECT_EQ(plugins.PendingReleases(), 0u);
}

TEST_F(PluginManager, InstallRefusesAFileWithoutReadableExports) {
  InstallOutcome outcome = InstallPlugin(plugins, &tree, run.path(), run.Plugin("Text.zpl"));
  EXPECT_EQ(outcome.id, 0);
  EXPECT_EQ(outcome.notice.text, "无效的插件，无法安装。");
  EXPECT_EQ(outcome.notice.title, "提示");
  EXPECT_EQ(outcome.notice.icon, NoticeIcon::kError);
  EXPECT_TRUE(plugins.Entries().empty());
}

TEST(PluginIds, FollowTheSequenceWhileItFitsThenStayUniqueAboveOne) {
  PluginList list;
  std::vector<int32_t> ids;
  // Every store replaces one of three paths, as enabling does; the sum soon leaves 32 bits.
  for (int load = 0; load < 200; ++load) {
    PluginEntry entry;
    entry.path = "p" + std::to_string(load % 3);
    entry.id = list.TakeNextPluginId();
    ids.push_back(entry.id);
    list.StorePluginEntry(entry);
    std::set<int32_t> inList;
    for (const PluginEntry& e : list.Entries()) inList.insert(e.id);
    ASSERT_EQ(inList.size(), list.Entries().size()) << "load " << load;
  }
  EXPECT_EQ(ids[0], 1000);
  EXPECT_EQ(ids[1], 1001);
  EXPECT_EQ(ids[2], 2004);
  EXPECT_EQ(ids[3], (1000 + 1) + (1001 + 2) + (2004 + 3));
  for (size_t i = 1; i < ids.size(); ++i) ASSERT_GT(ids[i], ids[i - 1]) << i;
}

#ifdef _WIN32
// Installing needs a PE file's export table, so these paths run under Wine.
class PluginInstall : public PluginManager {
 protected:
  std::string Outside(const std::string& probe, const std::string& name) {
    std::string path = run.path() + "\\下载\\" + name;
    EXPECT_TRUE(CreateFolderTree(ParentFolder(path)));
    EXPECT_TRUE(CopyFileTo(ProbeFile(probe), path, true));
    return path;
  }
};

TEST_F(PluginInstall, CopiesToLibzplListsDisabledAndWarnsWhileInstalled) {
  std::string chosen = Outside("SystemProbe", "demo.dll");
  std::string target = run.Plugin("demo.zpl");
  InstallOutcome first = InstallPlugin(plugins, &tree, run.path(), chosen);
  EXPECT_EQ(first.notice.text, "插件安装成功。");
  EXPECT_EQ(first.notice.icon, NoticeIcon::kInformation);
  EXPECT_TRUE(PathExists(target));
  EXPECT_EQ(IdOf(plugins, target), first.id);
  EXPECT_FALSE(IsLoaded(plugins, first.id));
  ASSERT_EQ(tree.size(), 1u);
  EXPECT_EQ(Labels(tree[0]), (std::vector<std::string>{"SystemProbe"}));

  InstallOutcome again = InstallPlugin(plugins, &tree, run.path(), chosen);
  EXPECT_EQ(again.id, 0);
  EXPECT_EQ(again.notice.text, "插件“demo”已经有安装。");
  EXPECT_EQ(again.notice.title, "警告");

  ASSERT_TRUE(RemoveFile(target));
  InstallOutcome afterDelete = InstallPlugin(plugins, &tree, run.path(), chosen);
  EXPECT_EQ(afterDelete.notice.text, "插件安装成功。");
  EXPECT_EQ(plugins.Entries().size(), 1u);  // the same path: replaced, not added
}

TEST_F(PluginInstall, FilesThatPassTheExportTestButLoadAsNoPluginAreRemovedAgain) {
  for (const char* probe : {"OnlyExProbe", "NullRecordProbe"}) {
    InstallOutcome outcome = InstallPlugin(plugins, &tree, run.path(), Outside(probe, std::string(probe) + ".dll"));
    EXPECT_EQ(outcome.notice.text, "插件安装失败。") << probe;
    EXPECT_EQ(outcome.notice.title, "错误");
    EXPECT_FALSE(PathExists(run.Plugin(std::string(probe) + ".zpl"))) << probe;
  }
  EXPECT_TRUE(plugins.Entries().empty());
}

TEST_F(PluginInstall, AFileChosenInPlaceIsNeitherCopiedOntoItselfNorDeleted) {
  std::string inPlace = run.Plugin("OnlyEx.zpl");
  InstallOutcome outcome = InstallPlugin(plugins, &tree, run.path(), inPlace);
  EXPECT_EQ(outcome.notice.text, "插件安装失败。");
  EXPECT_EQ(FileSize(inPlace), FileSize(ProbeFile("OnlyExProbe")));
}
#endif

}  // namespace
