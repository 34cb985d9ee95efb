#include "pluginhost/PluginManager.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "engine/FileFinder.h"
#include "pluginhost/HostFunctions.h"
#include "pluginhost/PeExports.h"
#include "zuvo/platform/DynLib.h"
#include "zuvo/platform/File.h"

const char kInstallDialogTitle[] = "请选择要安装的插件(*.zpl)";
const char kInstallDialogFilter[] = "Zuvo插件(*.zpl)|*.zpl|所有文件|*.*";

namespace {

const char kSystemGroupLabel[] = "系统插件";
const char kExtensionGroupLabel[] = "扩展插件";

std::string CopyPluginText(intptr_t address) {
  return address ? std::string(reinterpret_cast<const char*>(address)) : std::string();
}

PluginTexts CopyPluginTexts(const PluginInfo& info) {
  return {CopyPluginText(info.name), CopyPluginText(info.description), CopyPluginText(info.author),
          CopyPluginText(info.email), CopyPluginText(info.otherInfo)};
}

PluginTreeNode* GroupNodeFor(PluginTree* tree, bool system) {
  int32_t data = system ? kSystemGroupNodeData : kExtensionGroupNodeData;
  for (PluginTreeNode& node : *tree) {
    if (node.data == data) return &node;
  }
  PluginTreeNode group;
  group.label = system ? kSystemGroupLabel : kExtensionGroupLabel;
  group.data = data;
  group.isGroup = true;
  group.isSystem = system;
  tree->push_back(std::move(group));
  return &tree->back();
}

void AppendPluginNode(PluginTree* tree, const PluginEntry& entry) {
  bool system = IsSystemPlugin(entry.info);
  PluginTreeNode node;
  node.label = entry.texts.name;
  node.data = entry.id;
  node.isSystem = system;
  GroupNodeFor(tree, system)->children.push_back(std::move(node));
}

// The file's name after the last separator, cut before its last "."; a name without "."
// stays whole.
std::string BaseName(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

PluginNotice Notice(std::string text, const char* title, NoticeIcon icon) { return {std::move(text), title, icon}; }

}  // namespace

int32_t LoadPlugin(PluginList& list, std::string_view path, bool enabled) {
  DynLib* lib = LoadDynLib(path);
  if (!lib) return 0;
  auto getZpl = reinterpret_cast<ZplGetZpl>(FindDynLibSymbol(lib, "GetZpl"));
  if (!getZpl) {
    FreeDynLib(lib);
    return 0;
  }
  PluginEntry entry;
  entry.path = std::string(path);
  entry.enabled = enabled;
  entry.id = list.TakeNextPluginId();  // before the store, so an entry about to be replaced counts
  intptr_t record = getZpl(reinterpret_cast<intptr_t>(&GetHostFunction));
  if (record == 0) {
    FreeDynLib(lib);
    return 0;
  }
  std::memcpy(&entry.info, reinterpret_cast<const void*>(record), sizeof entry.info);
  entry.texts = CopyPluginTexts(entry.info);
  entry.module = std::make_shared<LoadedModule>(lib);
  int32_t id = entry.id;
  list.StorePluginEntry(std::move(entry));
  return id;
}

void ScanPlugins(PluginList& list, std::string_view runDirectory) {
  for (const std::string& path : FindFilesRecursive(std::string(runDirectory) + "\\libzpl", ".zpl")) {
    LoadPlugin(list, path, false);
  }
}

PluginTree FillPluginTree(PluginList& list) {
  list.ReleaseDisabledModules();
  PluginTree tree;
  for (const PluginEntry& entry : list.Entries()) AppendPluginNode(&tree, entry);
  return tree;
}

void AddPluginNode(PluginList& list, PluginTree* tree, std::string_view path) {
  list.ReleaseDisabledModules();
  PluginEntry entry;
  if (list.FindByPath(path, &entry)) AppendPluginNode(tree, entry);
}

const PluginTreeNode* FindPluginNode(const PluginTree& tree, int32_t data) {
  for (const PluginTreeNode& group : tree) {
    if (group.data == data) return &group;
    for (const PluginTreeNode& node : group.children) {
      if (node.data == data) return &node;
    }
  }
  return nullptr;
}

std::string BuildPluginInfoText(const PluginList& list, int32_t id) {
  PluginEntry entry;
  if (!list.FindById(id, &entry)) return "";
  const PluginTexts& t = entry.texts;
  return "插件名称：" + t.name + " (" + std::to_string(entry.info.versionMajor) + "." +
         std::to_string(entry.info.versionMinor) + "版)\r\n插件说明：" + t.description + "\r\n插件路径：" +
         entry.path + "\r\n\r\n----- 插件的作者信息 -----\r\n插件作者：" + t.author + "\r\n电子信箱：" + t.email +
         "\r\n其它信息：" + t.otherInfo;
}

std::string GroupNodeInfoText(int32_t data) {
  return data == kSystemGroupNodeData ? "此分组是用来展示系统及官方插件等" : "此分组是用来展示扩展及第三方插件等";
}

PluginMenuState BuildPluginMenu(const PluginList& list, const PluginTreeNode* selected) {
  PluginMenuState menu;
  PluginEntry entry;
  if (!selected || selected->isGroup || !list.FindById(selected->data, &entry)) return menu;
  menu.installVisible = false;
  menu.toggleVisible = true;
  menu.toggleCaption = entry.enabled ? "停用(&E)" : "启用(&S)";
  menu.settingsVisible = entry.info.hasSettings != 0;
  menu.uninstallEnabled = true;
  return menu;
}

InstallOutcome InstallPlugin(PluginList& list, PluginTree* tree, std::string_view runDirectory,
                             std::string_view chosenFile) {
  InstallOutcome outcome;
  if (ReadExportNames(chosenFile).find("GetZpl") == std::string::npos) {
    outcome.notice = Notice("无效的插件，无法安装。", "提示", NoticeIcon::kError);
    return outcome;
  }
  std::string base = BaseName(chosenFile);
  std::string target = std::string(runDirectory) + "\\libzpl\\" + base + ".zpl";
  PluginEntry existing;
  if (list.FindByPath(target, &existing) && PathExists(target)) {
    outcome.notice = Notice("插件“" + base + "”已经有安装。", "警告", NoticeIcon::kExclamation);
    return outcome;
  }
  // A file chosen inside "libzpl" under its own target name is neither copied onto itself
  // nor deleted when it fails to load: it is the user's file.
  bool copied = chosenFile != target;
  if (copied && !CopyFileTo(chosenFile, target, true)) {
    outcome.notice = Notice("插件安装失败。", "错误", NoticeIcon::kError);
    return outcome;
  }
  outcome.id = LoadPlugin(list, target, false);
  if (outcome.id == 0) {
    if (copied) RemoveFile(target);
    outcome.notice = Notice("插件安装失败。", "错误", NoticeIcon::kError);
    return outcome;
  }
  AddPluginNode(list, tree, target);
  outcome.notice = Notice("插件安装成功。", "提示", NoticeIcon::kInformation);
  return outcome;
}

PluginNotice DisableQuestion(std::string_view label) {
  return Notice("确定要停用“" + std::string(label) + "”吗？\r\n\r\n停用将会关闭该插件的一切操作", "警告",
                NoticeIcon::kExclamation);
}

PluginNotice UninstallQuestion(std::string_view label) {
  return Notice("确定要卸载“" + std::string(label) + "”吗？", "询问", NoticeIcon::kQuestion);
}

ToggleOutcome TogglePlugin(PluginList& list, int32_t id) {
  ToggleOutcome outcome;
  PluginEntry entry;
  if (list.FindById(id, &entry)) {
    if (entry.enabled) {
      list.DisablePlugin(id);
      outcome.id = id;
      return outcome;
    }
    outcome.id = LoadPlugin(list, entry.path, true);
    outcome.enabled = outcome.id != 0;
  }
  if (outcome.id == 0) outcome.notice = Notice("插件启用失败，插件不存在。", "错误", NoticeIcon::kError);
  return outcome;
}

PluginNotice OpenPluginSettings(PluginList& list, int32_t id, intptr_t ownerWindow) {
  PluginEntry entry;
  if (list.FindById(id, &entry) && entry.enabled) {
    list.CallSettings(id, ownerWindow);
    return {};
  }
  return Notice("你必须先启用该插件才能对其进行设置。", "警告", NoticeIcon::kExclamation);
}

namespace {

// Windows keeps a DLL's file from being deleted while it is mapped, and a notification may
// still be inside the plug-in, or the system may not have unmapped it yet: retry for a
// moment. Bounded, so a plug-in that waits for the window thread costs a second, not a hang.
bool DeletePluginFile(PluginList& list, const std::string& path) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (;;) {
    if (!PathExists(path) || RemoveFile(path)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    list.FreeIdleReleasedModules();
  }
}

}  // namespace

UninstallOutcome UninstallPlugin(PluginList& list, int32_t id) {
  UninstallOutcome outcome;
  PluginEntry entry;
  bool found = list.FindById(id, &entry);
  if (found) list.DisablePlugin(id);
  if (found && DeletePluginFile(list, entry.path)) {
    list.RemovePlugin(id);
    outcome.removed = true;
    outcome.notice = Notice("卸载成功。", "提示", NoticeIcon::kInformation);
    return outcome;
  }
  outcome.notice = Notice("卸载失败，请手动删除。", "error", NoticeIcon::kExclamation);
  return outcome;
}

void UnloadAllPlugins(PluginList& list) { list.UnloadAll(); }
