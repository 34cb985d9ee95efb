// The plug-in manager's operations behind the plug-in page: scanning "libzpl", loading, the
// tree's content as data, the information text, the menu's state and the menu commands. The
// commands return what the window shows (text, title, icon), so the window stays thin. All
// of them run on the window thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pluginhost/PluginList.h"

// Node data of the two group nodes; plug-in nodes carry their entry's id (1000 or more).
enum : int32_t { kSystemGroupNodeData = 0, kExtensionGroupNodeData = 1 };

struct PluginTreeNode {
  std::string label;
  int32_t data = 0;
  bool isGroup = false;
  bool isSystem = false;  // for the icon: a system group or plug-in
  std::vector<PluginTreeNode> children;
};
// The root's group nodes in the order they were first needed.
using PluginTree = std::vector<PluginTreeNode>;

// Every "*.zpl" under runDirectory + "\libzpl\", loaded (disabled) and listed in the order
// found; files that are no plug-in are left out. Follow it with FillPluginTree.
void ScanPlugins(PluginList& list, std::string_view runDirectory);
// Loads the DLL, calls GetZpl, copies the record and stores the entry. The id, or 0 when the
// file cannot be loaded, lacks GetZpl or GetZpl answers 0 (the list is then unchanged).
int32_t LoadPlugin(PluginList& list, std::string_view path, bool enabled);

// Releases the DLLs of disabled entries, then builds the tree from the whole list.
PluginTree FillPluginTree(PluginList& list);
// Adds the node of the entry with this path (releasing its DLL when it is disabled).
void AddPluginNode(PluginList& list, PluginTree* tree, std::string_view path);
// The node with this data among the tree's nodes; null when there is none.
const PluginTreeNode* FindPluginNode(const PluginTree& tree, int32_t data);

// The information box: for a plug-in id, or empty when no entry has it.
std::string BuildPluginInfoText(const PluginList& list, int32_t id);
// The information box for a group node.
std::string GroupNodeInfoText(int32_t data);

// The plug-in menu for the selected node (null: nothing selected). Items in their order:
// "刷新(&E)", separator, "安装(&C)", the toggle item, "设置(&O)", separator, "卸载(&D)".
struct PluginMenuState {
  bool installVisible = true;
  bool toggleVisible = false;
  std::string toggleCaption = "启用(&S)";
  bool settingsVisible = false;
  bool uninstallEnabled = false;
};
PluginMenuState BuildPluginMenu(const PluginList& list, const PluginTreeNode* selected);

enum class NoticeIcon { kNone, kInformation, kExclamation, kError, kQuestion };
// A message box for the window to show; an empty text means none.
struct PluginNotice {
  std::string text, title;
  NoticeIcon icon = NoticeIcon::kNone;
};

// The open-file dialog of the install command.
extern const char kInstallDialogTitle[];
extern const char kInstallDialogFilter[];  // "|" between description and pattern

struct InstallOutcome {
  int32_t id = 0;  // the new entry, 0 when nothing was installed
  PluginNotice notice;
};
// Checks the chosen file's exports, copies it to "libzpl" as base name + ".zpl", loads it
// disabled and adds its node to `tree`.
InstallOutcome InstallPlugin(PluginList& list, PluginTree* tree, std::string_view runDirectory,
                             std::string_view chosenFile);

// The questions the window asks (OK/Cancel) before disabling and before uninstalling.
PluginNotice DisableQuestion(std::string_view label);
PluginNotice UninstallQuestion(std::string_view label);

struct ToggleOutcome {
  int32_t id = 0;  // the node's new data; 0 when it stays as it was
  bool enabled = false;
  PluginNotice notice;
};
// Disables an enabled plug-in (same id) or enables a disabled one (a fresh load, a new id).
// Ask DisableQuestion first when the plug-in is enabled.
ToggleOutcome TogglePlugin(PluginList& list, int32_t id);

// Calls onSettings of an enabled plug-in with the owner window; the warning otherwise.
PluginNotice OpenPluginSettings(PluginList& list, int32_t id, intptr_t ownerWindow);

struct UninstallOutcome {
  bool removed = false;  // then refill the tree and empty the information box
  PluginNotice notice;
};
// Releases the DLL, deletes the file and takes the entry out of the list.
UninstallOutcome UninstallPlugin(PluginList& list, int32_t id);

// Program exit: every DLL released; plug-ins are not told.
void UnloadAllPlugins(PluginList& list);
