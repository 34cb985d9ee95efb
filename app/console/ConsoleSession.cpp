#include "app/console/ConsoleSession.h"

#include <cstdlib>

#include "app/console/ConsoleLogin.h"
#include "engine/Thesaurus.h"
#include "pluginhost/HostFunctions.h"
#include "pluginhost/PluginManager.h"
#include "zuvo/platform/Clock.h"

namespace {

const char kKickedHint[] = "输入 relogin 重新登录，或 quit 退出。";

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  size_t pos = 0;
  while (pos < line.size()) {
    size_t end = line.find(' ', pos);
    if (end == std::string::npos) end = line.size();
    if (end > pos) words.push_back(line.substr(pos, end - pos));
    pos = end + 1;
  }
  return words;
}

std::string RestAfterWord(const std::string& line) {
  size_t space = line.find(' ');
  return space == std::string::npos ? std::string() : line.substr(space + 1);
}

void WriteLogRow(const LogRow& row) {
  WriteOutputLine(row.source + "\t" + FormatLogTime(row.time) + "\t" + row.content);
}

// The kick notification: only the two kick values go offline and log out.
void HandleKick(ConsoleSession& session, AccountState state) {
  if (state == AccountState::kForcedOffline || state == AccountState::kSuspectedStolen) {
    session.kicked = true;  // first, so that a 121 racing in does not log back in
    if (session.client.GetStatus() != kStatusOffline) session.client.ChangeStatus(kStatusOffline);
    session.client.Logout();
  }
  ShowAccountStateWindow(state);
  if (session.kicked) WriteErrorLine(kKickedHint);
}

// Poll thread, after the plug-ins have seen the event.
void HandleSessionStatus(ConsoleSession& session, int code, const std::string& text) {
  if (code == 121) {
    // After a kick the dead session's polls answer 121; only "relogin" brings it back.
    if (!session.kicked) session.client.Reconnect(nullptr);
  } else if (code == 0) {
    const AccountState state = ClassifyAccountState(text);
    if (state == AccountState::kOther) {
      WriteMessageBox("提示", text);
    } else {
      HandleKick(session, state);
    }
  }
}

RobotHooks ConsoleHooks(ConsoleSession& session) {
  RobotHooks hooks;
  hooks.handleSessionStatus = [&session](int code, const std::string& text) {
    HandleSessionStatus(session, code, text);
  };
  hooks.setStartCaption = [](const std::string& caption) { WriteErrorLine("[启动按钮] " + caption); };
  hooks.refreshFriendList = [&session] {
    std::vector<FriendEntry> friends;
    std::vector<FriendCategory> categories;
    session.client.LoadFriends(&friends, &categories);
  };
  return WithPluginNotifications(hooks, session.plugins);
}

void ShowNotice(const PluginNotice& notice) {
  if (!notice.text.empty()) WriteMessageBox(notice.title, notice.text);
}

// Toggles the plug-in called `name` when its enabled state differs from `enable`.
void SetPluginEnabled(ConsoleSession& session, const std::string& name, bool enable) {
  for (const PluginEntry& entry : session.plugins.Entries()) {
    if (entry.texts.name != name) continue;
    if (entry.enabled != enable) ShowNotice(TogglePlugin(session.plugins, entry.id).notice);
    return;
  }
  WriteErrorLine("没有这个插件：" + name);
}

void ListPlugins(ConsoleSession& session) {
  for (const PluginEntry& entry : session.plugins.Entries()) {
    const char* group = IsSystemPlugin(entry.info) ? "系统" : "扩展";
    WriteOutputLine(std::to_string(entry.id) + "\t" + group + "\t" + (entry.enabled ? "启用" : "停用") + "\t" +
                    entry.texts.name);
  }
}

void ListThesauri(ConsoleSession& session) {
  for (const std::string& name : session.robot->thesauri.Names()) WriteOutputLine(name);
}

void ChangeConsoleStatus(ConsoleSession& session, const std::string& argument) {
  char* end = nullptr;
  long status = std::strtol(argument.c_str(), &end, 10);
  if (argument.empty() || *end != '\0' || status < kStatusOnline || status > kStatusOffline) {
    WriteErrorLine("状态须为 0-6");
    return;
  }
  session.client.ChangeStatus(static_cast<int32_t>(status));
}

void ExportConsoleLog(ConsoleSession& session) {
  LogExportResult result =
      ExportLog(session.log, session.store.runDirectory, session.store.account.qqNumber, LocalTimeNow());
  if (result.written) WriteOutputLine(DisplayPath(result.path));
  WriteMessageBox("提示", result.message);
}

void Relogin(ConsoleSession& session) {
  std::string message;
  session.client.Reconnect(&message);
  if (message.find("登录成功") != std::string::npos) {
    session.kicked = false;
    WriteErrorLine(message);
  } else {
    WriteMessageBox("提示", message.empty() ? std::string("登录超时,请稍候再试!") : message);
  }
}

}  // namespace

void OpenConsoleSession(ConsoleSession& session, const std::vector<std::string>& enableNames) {
  const AccountProfile profile = session.client.GetAccountProfile();
  AccountRecord& account = session.store.account;
  account = {profile.qq, profile.password, profile.avatar, profile.nick, profile.longNick};
  SaveAccountAfterLogin(&session.store);

  std::vector<FriendEntry> friends;
  std::vector<FriendCategory> categories;
  std::vector<GroupEntry> groups;
  std::vector<DiscussionEntry> discussions;
  session.client.LoadFriends(&friends, &categories);
  session.client.LoadGroups(&groups);
  session.client.LoadDiscussions(&discussions);
  session.bridge.SetContactLists(std::move(groups), std::move(discussions));

  session.observerId = session.log.Subscribe(LogObserver{WriteLogRow, nullptr});
  session.robot = std::make_unique<RobotEngine>(session.store.runDirectory, session.bridge, session.log,
                                                ConsoleHooks(session));
  session.robot->settings.Set(session.store.settings);
  BindPluginHost(session.robot.get());
  ScanPlugins(session.plugins, session.store.runDirectory);
  FillPluginTree(session.plugins);
  for (const std::string& name : enableNames) SetPluginEnabled(session, name, true);

  session.log.AddLogLine("系统", session.store.settings.nickname + "初始化成功。");
  session.client.SetEventHandlers(RobotEventHandlers(*session.robot));
  LoadActiveThesauri(session.store.runDirectory, &session.robot->thesauri);
}

bool RunConsoleCommand(ConsoleSession& session, const std::string& line) {
  const std::vector<std::string> words = SplitWords(line);
  if (words.empty()) return true;
  const std::string& command = words[0];
  const std::string rest = RestAfterWord(line);
  if (command == "quit") return false;
  if (command == "start" || command == "stop") {
    if ((command == "start") != session.robot->robotRunning.load()) ToggleRobot(*session.robot);
  } else if (command == "status") {
    ChangeConsoleStatus(session, rest);
  } else if (command == "plugins") {
    ListPlugins(session);
  } else if (command == "enable" || command == "disable") {
    SetPluginEnabled(session, rest, command == "enable");
  } else if (command == "thesauri") {
    ListThesauri(session);
  } else if (command == "use") {
    SetActiveThesauri(&session.robot->thesauri, std::vector<std::string>(words.begin() + 1, words.end()));
  } else if (command == "export") {
    ExportConsoleLog(session);
  } else if (command == "relogin") {
    Relogin(session);
  } else {
    WriteErrorLine("命令：start stop status N plugins enable NAME disable NAME thesauri use NAME... export "
                   "relogin quit");
  }
  return true;
}

void CloseConsoleSession(ConsoleSession& session) {
  RobotEngine& robot = *session.robot;
  if (robot.robotRunning) ToggleRobot(robot);
  session.store.settings = robot.settings.Get();
  SaveAccountSettings(session.store);
  SaveActiveThesauri(session.store.runDirectory, robot.thesauri);
  UnloadAllPlugins(session.plugins);
  session.client.Logout();
  session.client.Stop();  // no handler may run into the engine once it is gone
  BindPluginHost(nullptr);
  session.log.Unsubscribe(session.observerId);
  session.robot.reset();
}
