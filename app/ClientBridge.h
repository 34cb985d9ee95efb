// The robot engine's view of the WebQQ client: lookups, sending and friend-request answers go
// to the client; group codes and discussion names come from the lists loaded after login.
// Also the three event handlers that hand the client's events to the engine.
#pragma once

#include <mutex>
#include <vector>

#include "engine/RobotClient.h"
#include "engine/RobotEngine.h"
#include "webqq/WebQQClient.h"

class ClientBridge : public RobotClient {
 public:
  explicit ClientBridge(WebQQClient& client) : client_(client) {}

  // Any thread; a refresh of the lists replaces them whole.
  void SetContactLists(std::vector<GroupEntry> groups, std::vector<DiscussionEntry> discussions);

  std::string LookupQQNumber(int kind, const std::string& id) override;
  std::string GetStrangerInfo(int field, const std::string& uin) override;
  std::string FindGroupCode(const std::string& gid) override;
  std::string FindDiscussionName(const std::string& did) override;
  bool SendMessage(int kind, const std::string& target, const std::string& text, const ChatFont& font,
                   const std::string& groupId) override;
  bool Shake(const std::string& uin) override;
  bool ReplyFriendRequest(int action, const std::string& account, const std::string& remark, int category,
                          const std::string& reason) override;
  std::string ReplyFriendRequestText(int action, const std::string& account, const std::string& remark,
                                     int category, const std::string& reason) override;

 private:
  WebQQClient& client_;
  std::mutex listsMutex_;
  std::vector<GroupEntry> groups_;             // guarded by listsMutex_
  std::vector<DiscussionEntry> discussions_;   // guarded by listsMutex_
};

// The handlers to register with the client once the engine exists.
EventHandlers RobotEventHandlers(RobotEngine& robot);
