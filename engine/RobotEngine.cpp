#include "engine/RobotEngine.h"

#include "engine/EngineText.h"
#include "engine/LongText.h"
#include "zuvo/platform/Clock.h"

RobotSettings SharedRobotSettings::Get() const {
  EngineLock lock(mutex_);
  return settings_;
}

void SharedRobotSettings::Set(const RobotSettings& settings) {
  EngineLock lock(mutex_);
  settings_ = settings;
}

ChatFont SharedRobotSettings::FontForNextText() {
  EngineLock lock(mutex_);
  if (settings_.randomColor) settings_.font.color = int32_t(RandomBetween(0, 0xFFFFFF));
  return settings_.font;
}

RobotEngine::RobotEngine(std::string runDirectoryIn, RobotClient& clientIn, MessageLog& logIn,
                         RobotHooks hooksIn, SendPacing pacingIn)
    : runDirectory(std::move(runDirectoryIn)),
      client(clientIn),
      log(logIn),
      hooks(std::move(hooksIn)),
      pacing(pacingIn),
      friendListRefresher(hooks.refreshFriendList) {}

RobotEngine::~RobotEngine() {
  EngineLock lock(toggleMutex);
  worker.Stop();
}

namespace {

std::string GroupNumberOf(ContactLookup& contacts, const std::string& gid) {
  return contacts.LookupQQNumber(1, contacts.FindGroupCode(gid));
}

// Empty for kinds outside 0-3, which get no line.
std::string ReceivedLine(ContactLookup& contacts, int kind, const std::string& source,
                         const std::string& sender, const std::string& content) {
  switch (kind) {
    case kKindFriend:
      return "接收至：" + contacts.LookupQQNumber(0, sender) + "：内容：" + content;
    case kKindGroup:
      return "接收至群：" + GroupNumberOf(contacts, source) + "：成员：" +
             contacts.LookupQQNumber(0, sender) + "：内容：" + content;
    case kKindTemporary:
      return "接收至群：" + GroupNumberOf(contacts, source) + "：成员：" +
             contacts.LookupQQNumber(0, sender) + "：临时会话：内容：" + content;
    case kKindDiscussion:
      return "接收至讨论组：" + contacts.FindDiscussionName(source) + "：成员：" +
             contacts.LookupQQNumber(0, sender) + "：内容：" + content;
    default:
      return std::string();
  }
}

std::string SentLine(ContactLookup& contacts, const OutgoingMessage& item) {
  switch (item.kind) {
    case kKindFriend:
      return "发送至：" + item.displayId + "：内容：" + item.content;
    case kKindGroup:
      return "发送至群：" + GroupNumberOf(contacts, item.target) + "：内容：" + item.content;
    case kKindTemporary:
      return "发送至群：" + GroupNumberOf(contacts, item.sessionGroup) + "：成员：" + item.displayId +
             "：临时会话：内容：" + item.content;
    case kKindDiscussion:
      return "发送至讨论组：" + contacts.FindDiscussionName(item.target) + "：内容：" + item.content;
    default:
      return std::string();
  }
}

void AddMessageLine(MessageLog& log, const std::string& line) {
  if (!line.empty()) log.AddLogLine("消息", line);
}

// Shake keyword, blocking, queueing: the same for robot replies and plug-in messages.
void QueueReply(RobotEngine& robot, const RobotSettings& settings, OutgoingMessage item,
                const std::string& reply) {
  TakeOutShakeKeyword(reply, &item);
  if (IsBlocked(settings, item.kind, item.displayId)) return;
  if (item.content.empty() && !item.shake) return;
  // A text too long for one message becomes several items; the shake goes with the first.
  std::vector<OutgoingMessage> parts;
  for (std::string& text : SplitLongText(item.content)) {
    OutgoingMessage part = item;
    part.content = std::move(text);
    part.shake = parts.empty() && item.shake;
    parts.push_back(std::move(part));
  }
  robot.queue.AppendAll(std::move(parts));
}

std::string RobotReply(RobotEngine& robot, const RobotSettings& settings, int kind,
                       const std::string& source, const std::string& sender,
                       const std::string& content) {
  AutoRecordResult recorded = TryAutoRecord(robot.runDirectory, &robot.autoRecordFile,
                                            &robot.thesauri, settings, content, kind);
  if (recorded.recorded) return recorded.reply;
  TemplateSources templates{settings.nickname, &robot.client};
  return ChooseThesaurusReply(robot.runDirectory, robot.thesauri, templates, content, source, sender);
}

}  // namespace

OutgoingMessage BuildOutgoingMessage(ContactLookup& contacts, int kind, const std::string& source,
                                     const std::string& sender) {
  OutgoingMessage item;
  item.kind = kind;
  item.target = source;
  switch (kind) {
    case kKindFriend: item.displayId = contacts.LookupQQNumber(0, source); break;
    case kKindGroup: item.displayId = GroupNumberOf(contacts, source); break;
    case kKindTemporary:
      item.target = sender;
      item.sessionGroup = source;
      item.displayId = contacts.LookupQQNumber(0, sender);
      break;
    case kKindDiscussion: item.displayId = contacts.FindDiscussionName(source); break;
    default: break;
  }
  return item;
}

void TakeOutShakeKeyword(const std::string& reply, OutgoingMessage* item) {
  item->content = reply;
  item->shake = ReplaceWordEverywhere(&item->content, "[sk]", "", false) > 0;
}

bool IsBlocked(const RobotSettings& settings, int kind, const std::string& displayId) {
  // An unresolved number is empty and so matches the ";;" of an empty stored list: nothing is
  // sent to a peer the robot cannot name.
  switch (kind) {
    case kKindFriend: return !settings.friendEnabled || ListTextHasItem(settings.ignoredQQ, displayId);
    case kKindGroup: return !settings.groupEnabled || ListTextHasItem(settings.ignoredGroups, displayId);
    case kKindTemporary: return !settings.tempEnabled;
    case kKindDiscussion: return !settings.discussionEnabled;
    default: return false;
  }
}

void HandleChatEvent(RobotEngine& robot, int kind, const std::string& source,
                     const std::string& sender, const std::string& content) {
  bool running = robot.robotRunning.load();
  if (robot.hooks.notifyPluginsMessage) robot.hooks.notifyPluginsMessage(kind, source, sender, content, running);
  AddMessageLine(robot.log, ReceivedLine(robot.client, kind, source, sender, content));
  if (!running) return;
  RobotSettings settings = robot.settings.Get();
  OutgoingMessage item = BuildOutgoingMessage(robot.client, kind, source, sender);
  std::string reply = RobotReply(robot, settings, kind, source, sender, content);
  QueueReply(robot, settings, std::move(item), reply);
}

void HandleFriendRequest(RobotEngine& robot, const std::string& account, const std::string& fromUin,
                         const std::string& message) {
  if (robot.hooks.notifyPluginsFriendRequest) {
    robot.hooks.notifyPluginsFriendRequest(account, fromUin, message, robot.robotRunning.load());
  }
  RobotSettings settings = robot.settings.Get();
  VerificationServices services{{settings.nickname, &robot.client}, &robot.client, &robot.log,
                                &robot.friendListRefresher};
  HandleFriendVerification(services, settings, account, fromUin, message);
}

void HandleStatusEvent(RobotEngine& robot, int code, const std::string& text) {
  if (robot.hooks.notifyPluginsStatus) robot.hooks.notifyPluginsStatus(code, text, robot.robotRunning.load());
  if (robot.hooks.handleSessionStatus) robot.hooks.handleSessionStatus(code, text);
}

bool QueueMessage(RobotEngine& robot, int kind, const std::string& target, const std::string& member,
                  const std::string& content) {
  if (!robot.robotRunning.load()) return false;
  OutgoingMessage item = BuildOutgoingMessage(robot.client, kind, target, member);
  QueueReply(robot, robot.settings.Get(), std::move(item), content);
  return true;
}

void RunSendCycle(RobotEngine& robot, SendWorker& worker) {
  OutgoingMessage head;
  if (!robot.queue.CopyHead(&head)) {
    worker.Wait(robot.pacing.idlePollMs);
    return;
  }
  bool sent = false, shaken = false;
  if (!head.content.empty()) {
    ChatFont font = robot.settings.FontForNextText();
    if (!worker.Wait(robot.pacing.textDelayMs)) return;  // stopped: the head stays untried
    sent = robot.client.SendMessage(head.kind, head.target, head.content, font, head.sessionGroup);
  }
  if (head.shake) shaken = robot.client.Shake(head.target);
  if (sent) AddMessageLine(robot.log, SentLine(robot.client, head));
  if (shaken) robot.log.AddLogLine("消息", "发送窗口抖动：" + head.displayId);
  // Seven tries in all: the count of earlier failures reaches 6 before the last one.
  constexpr int32_t kLastRetriedAttempts = 5;
  if (sent || shaken || head.attempts > kLastRetriedAttempts) {
    robot.queue.RemoveHead();
  } else {
    robot.queue.CountFailedAttempt();
  }
}

void ToggleRobot(RobotEngine& robot) {
  EngineLock lock(robot.toggleMutex);
  bool start = !robot.robotRunning.load();
  robot.robotRunning = start;
  if (robot.hooks.setStartCaption) robot.hooks.setStartCaption(start ? "停止" : "启动");
  if (start) {
    robot.worker.Start([&robot](SendWorker& worker) { RunSendCycle(robot, worker); });
    robot.log.AddLogLine("系统", "机器人已启动，开始工作。");
  } else {
    robot.worker.Stop();
    robot.log.AddLogLine("系统", "机器人已停止，暂停工作。");
  }
}
