// A scripted client for the engine's tests: fixed lookup tables, sends that fail a given
// number of times, and a record of every call.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/RobotClient.h"

struct SentText {
  int kind;
  std::string target, text, groupId;
  ChatFont font;
};

struct FriendReply {
  int action;
  std::string account, remark;
  int category;
  std::string reason;
};

class FakeRobotClient : public RobotClient {
 public:
  // Filled before the threads start; read-only afterwards.
  std::map<std::string, std::string> qqNumbers;     // uin -> QQ number
  std::map<std::string, std::string> groupNumbers;  // code -> group number
  std::map<std::string, std::string> groupCodes;    // gid -> code
  std::map<std::string, std::string> discussions;   // did -> name
  std::map<std::string, std::string> nicknames, locations;

  std::string LookupQQNumber(int kind, const std::string& id) override {
    std::lock_guard<std::mutex> lock(mutex);
    ++lookupCalls;
    return Find(kind == 0 ? qqNumbers : groupNumbers, id);
  }
  std::string GetStrangerInfo(int field, const std::string& uin) override {
    std::lock_guard<std::mutex> lock(mutex);
    ++strangerCalls;
    return Find(field == kStrangerNickname ? nicknames : locations, uin);
  }
  std::string FindGroupCode(const std::string& gid) override { return Find(groupCodes, gid); }
  std::string FindDiscussionName(const std::string& did) override { return Find(discussions, did); }

  bool SendMessage(int kind, const std::string& target, const std::string& text, const ChatFont& font,
                   const std::string& groupId) override {
    std::lock_guard<std::mutex> lock(mutex);
    ++sendCalls;
    if (sendFailuresLeft != 0) {
      if (sendFailuresLeft > 0) --sendFailuresLeft;
      return false;
    }
    sent.push_back({kind, target, text, groupId, font});
    return true;
  }
  bool Shake(const std::string& uin) override {
    std::lock_guard<std::mutex> lock(mutex);
    ++shakeCalls;
    if (!shakeWorks) return false;
    shaken.push_back(uin);
    return true;
  }
  bool ReplyFriendRequest(int action, const std::string& account, const std::string& remark, int category,
                          const std::string& reason) override {
    std::lock_guard<std::mutex> lock(mutex);
    friendReplies.push_back({action, account, remark, category, reason});
    return false;  // the engine must not depend on the answer
  }

  // Copies taken under the lock, for reading while the worker may still run.
  std::vector<SentText> SentTexts() {
    std::lock_guard<std::mutex> lock(mutex);
    return sent;
  }
  int SendCalls() {
    std::lock_guard<std::mutex> lock(mutex);
    return sendCalls;
  }
  int ShakeCalls() {
    std::lock_guard<std::mutex> lock(mutex);
    return shakeCalls;
  }
  void FailSends(int count) {
    std::lock_guard<std::mutex> lock(mutex);
    sendFailuresLeft = count;
  }

  std::mutex mutex;
  int sendFailuresLeft = 0;  // -1: every send fails
  bool shakeWorks = true;
  int sendCalls = 0, shakeCalls = 0, lookupCalls = 0, strangerCalls = 0;
  std::vector<SentText> sent;
  std::vector<std::string> shaken;
  std::vector<FriendReply> friendReplies;

 private:
  static std::string Find(const std::map<std::string, std::string>& table, const std::string& key) {
    auto it = table.find(key);
    return it == table.end() ? std::string() : it->second;
  }
};
