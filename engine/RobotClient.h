// What the engine needs from the protocol client, and the hooks that other modules fill
// (plug-ins, the session handling, the start button, the friend tree). The real client
// implements the interfaces; tests use fakes. Every call may come from any thread and may
// block on the network; an empty text or false means the call failed.
#pragma once

#include <functional>
#include <string>

#include "webqq/ChatFont.h"

// Message kinds of chat events, queue items and view lines.
enum : int {
  kKindFriend = 0,
  kKindGroup = 1,
  kKindTemporary = 2,
  kKindDiscussion = 3,
};

// Fields of a stranger-info query.
enum : int { kStrangerNickname = 0, kStrangerLocation = 1 };

class ContactLookup {
 public:
  virtual ~ContactLookup() = default;
  // kind 0: the QQ number of a uin; kind 1: the group number of a group code.
  virtual std::string LookupQQNumber(int kind, const std::string& id) = 0;
  // kStrangerNickname or kStrangerLocation of a uin.
  virtual std::string GetStrangerInfo(int field, const std::string& uin) = 0;
  // The code of the loaded group whose gid is `gid`; empty when it is not in the list.
  virtual std::string FindGroupCode(const std::string& gid) = 0;
  // The name of the loaded discussion whose did is `did`; empty when it is not in the list.
  virtual std::string FindDiscussionName(const std::string& did) = 0;
};

class MessageSender {
 public:
  virtual ~MessageSender() = default;
  // True when the service accepted the message. `groupId` is the session's group uin for
  // kind 2 and empty otherwise.
  virtual bool SendMessage(int kind, const std::string& target, const std::string& text,
                           const ChatFont& font, const std::string& groupId) = 0;
  virtual bool Shake(const std::string& uin) = 0;
};

// Actions: 1 accept and add back, 2 accept, 3 refuse.
class FriendRequestReplier {
 public:
  virtual ~FriendRequestReplier() = default;
  virtual bool ReplyFriendRequest(int action, const std::string& account, const std::string& remark,
                                  int category, const std::string& reason) = 0;
  // The same request, answering the service's reply body (for plug-ins, which are handed it);
  // empty when nothing was sent or no answer came. A client that keeps no body sends and
  // answers "".
  virtual std::string ReplyFriendRequestText(int action, const std::string& account,
                                             const std::string& remark, int category,
                                             const std::string& reason) {
    ReplyFriendRequest(action, account, remark, category, reason);
    return std::string();
  }
};

class RobotClient : public ContactLookup, public MessageSender, public FriendRequestReplier {};

// Unset hooks do nothing. Called on the thread named beside each.
struct RobotHooks {
  // Poll thread; `robotRunning` false means only the system plug-ins are to be called.
  std::function<void(int kind, const std::string& source, const std::string& sender,
                     const std::string& content, bool robotRunning)>
      notifyPluginsMessage;
  // Poll thread; `robotRunning` as above.
  std::function<void(const std::string& account, const std::string& fromUin,
                     const std::string& message, bool robotRunning)>
      notifyPluginsFriendRequest;
  // Poll thread; `robotRunning` as above.
  std::function<void(int code, const std::string& text, bool robotRunning)> notifyPluginsStatus;
  // Poll thread: code 0 forced off line, code 121 log in again.
  std::function<void(int code, const std::string& text)> handleSessionStatus;
  // The caller of ToggleRobot's thread (the window thread): "停止" or "启动".
  std::function<void(const std::string& caption)> setStartCaption;
  // A background thread of the engine: load the friends again and refill the friend tree.
  std::function<void()> refreshFriendList;
};
