// The robot's switchboard: the three event handlers the client calls on its poll threads,
// the send queue and its worker, the start/stop switch, and the state they share.
#pragma once

#include <atomic>
#include <string>

#include "engine/AutoRecord.h"
#include "engine/FriendVerification.h"
#include "engine/MessageLog.h"
#include "engine/RobotClient.h"
#include "engine/RobotSettings.h"
#include "engine/SendQueue.h"
#include "engine/Thesaurus.h"
#include "engine/ThreadAnnotations.h"

// The account's settings, shared with the worker, which writes random colours back.
class SharedRobotSettings {
 public:
  RobotSettings Get() const;
  void Set(const RobotSettings& settings);
  // Stores a random colour into font.color when randomColor is on; returns the font to use.
  ChatFont FontForNextText();

 private:
  mutable EngineMutex mutex_;
  RobotSettings settings_ ENGINE_GUARDED_BY(mutex_);
};

struct RobotEngine {
  RobotEngine(std::string runDirectory, RobotClient& client, MessageLog& log, RobotHooks hooks = {},
              SendPacing pacing = {});
  ~RobotEngine();  // stops the worker
  RobotEngine(const RobotEngine&) = delete;
  RobotEngine& operator=(const RobotEngine&) = delete;

  const std::string runDirectory;
  RobotClient& client;
  MessageLog& log;
  const RobotHooks hooks;
  const SendPacing pacing;

  SharedRobotSettings settings;
  ActiveThesauri thesauri;
  AutoRecordFile autoRecordFile;
  SendQueue queue;
  std::atomic<bool> robotRunning{false};  // written only by ToggleRobot

  EngineMutex toggleMutex;  // one start or stop at a time
  SendWorker worker ENGINE_GUARDED_BY(toggleMutex);
  FriendListRefresher friendListRefresher;
};

// Poll threads.
void HandleChatEvent(RobotEngine& robot, int kind, const std::string& source,
                     const std::string& sender, const std::string& content);
void HandleFriendRequest(RobotEngine& robot, const std::string& account, const std::string& fromUin,
                         const std::string& message);
void HandleStatusEvent(RobotEngine& robot, int code, const std::string& text);

// Any thread (plug-ins). For kind 2 `target` is the group uin and `member` the person's uin.
// True while the robot runs, whether or not the item passed the blocking rules.
bool QueueMessage(RobotEngine& robot, int kind, const std::string& target, const std::string& member,
                  const std::string& content);

// The start button: starts a stopped robot, stops a running one (waiting for the worker's
// cycle in progress).
void ToggleRobot(RobotEngine& robot);

// Parts of the dispatch, for tests.
OutgoingMessage BuildOutgoingMessage(ContactLookup& contacts, int kind, const std::string& source,
                                     const std::string& sender);
// Removes every "[sk]" (case-sensitive) from `item->content` and sets `item->shake`.
void TakeOutShakeKeyword(const std::string& reply, OutgoingMessage* item);
bool IsBlocked(const RobotSettings& settings, int kind, const std::string& displayId);
// One worker cycle; returns once the head's attempt is done or the queue was empty.
void RunSendCycle(RobotEngine& robot, SendWorker& worker);
