#include "app/ClientBridge.h"

void ClientBridge::SetContactLists(std::vector<GroupEntry> groups, std::vector<DiscussionEntry> discussions) {
  std::lock_guard<std::mutex> lock(listsMutex_);
  groups_ = std::move(groups);
  discussions_ = std::move(discussions);
}

std::string ClientBridge::LookupQQNumber(int kind, const std::string& id) { return client_.LookupQQNumber(kind, id); }

std::string ClientBridge::GetStrangerInfo(int field, const std::string& uin) {
  return client_.GetStrangerInfo(field, uin);
}

std::string ClientBridge::FindGroupCode(const std::string& gid) {
  std::lock_guard<std::mutex> lock(listsMutex_);
  for (const GroupEntry& group : groups_) {
    if (group.gid == gid) return group.code;
  }
  return "";
}

std::string ClientBridge::FindDiscussionName(const std::string& did) {
  std::lock_guard<std::mutex> lock(listsMutex_);
  for (const DiscussionEntry& discussion : discussions_) {
    if (discussion.did == did) return discussion.name;
  }
  return "";
}

bool ClientBridge::SendMessage(int kind, const std::string& target, const std::string& text, const ChatFont& font,
                               const std::string& groupId) {
  ChatFont sent = font;  // the client writes its defaults into the record it is given
  return client_.SendMessage(kind, target, text, sent, groupId);
}

bool ClientBridge::Shake(const std::string& uin) { return client_.Shake(uin); }

bool ClientBridge::ReplyFriendRequest(int action, const std::string& account, const std::string& remark,
                                      int category, const std::string& reason) {
  return !ReplyFriendRequestText(action, account, remark, category, reason).empty();
}

std::string ClientBridge::ReplyFriendRequestText(int action, const std::string& account, const std::string& remark,
                                                 int category, const std::string& reason) {
  return client_.ReplyFriendRequest(action, account, remark, category, reason);
}

EventHandlers RobotEventHandlers(RobotEngine& robot) {
  EventHandlers handlers;
  handlers.onChat = [&robot](const ChatEvent& event) {
    HandleChatEvent(robot, event.kind, event.source, event.sender, event.content);
  };
  handlers.onSystem = [&robot](const SystemNotice& notice) {
    HandleFriendRequest(robot, notice.account, notice.fromUin, notice.message);
  };
  handlers.onStatus = [&robot](const StatusNotice& notice) { HandleStatusEvent(robot, notice.code, notice.text); };
  return handlers;
}
