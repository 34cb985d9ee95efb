// Poll replies of the channel server into events, without any network: the return code,
// every event of the reply in reply order, and the text decoding of chat messages. Pure and
// safe from any thread; malformed input gives empty values, never a crash.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "webqq/Events.h"

enum class PollEventType { Chat, System, Kick };

struct PollEvent {
  PollEventType type = PollEventType::Chat;
  ChatEvent chat;          // Chat
  std::string msgId;       // Chat: the service's msg_id, for the duplicate memory
  std::string seq;         // Chat: its seq, empty when the event has none
  SystemNotice system;     // System
  std::string kickReason;  // Kick, unescaped
};

struct PollReply {
  std::string retcode;  // the digits after "retcode":, empty when there are none
  std::vector<PollEvent> events;  // only for retcode 0; kinds we do not handle are left out
};

PollReply DecodePollReply(std::string_view reply);

// The events of a reply, each from its "poll_type" key to the next one's: every value of an
// event is looked up inside its own piece.
std::vector<std::string_view> SplitPollEvents(std::string_view reply);

// The raw JSON elements of a content array after its font element (for example
// "aa",["face",14]," ") into the message text, the one blank the service appends dropped.
std::string DecodeContentElements(std::string_view elements);

// Keys of messages handed on lately, shared by every poll chain so that a message the
// service sends twice (in one reply or two, or under a new msg_id with the same seq) reaches
// the handlers once. Holds at most `capacity` keys; the oldest go first.
class RecentMessages {
 public:
  explicit RecentMessages(size_t capacity = 4096) : capacity_(capacity) {}
  // True, and the event remembered, when none of its keys was seen before.
  bool RememberIfNew(const PollEvent& event);

 private:
  void Insert(const std::string& key);

  std::mutex mutex_;
  size_t capacity_;
  std::deque<std::string> order_;             // guarded by mutex_
  std::unordered_set<std::string> known_;     // guarded by mutex_
};
