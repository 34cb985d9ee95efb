// The send queue and its one worker thread. Items leave the queue only after their attempt,
// so an item whose send was in progress when the worker stopped is still at the head.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/ThreadAnnotations.h"

struct OutgoingMessage {
  int32_t kind = 0;
  std::string target;        // friend uin, group uin, sender uin or discussion id
  std::string displayId;     // QQ number, group number, QQ number or discussion name
  std::string sessionGroup;  // kind 2: the group uin the session came through
  std::string content;       // without the shake keyword; may be empty
  bool shake = false;
  int32_t attempts = 0;      // failed send cycles so far
};

// First in, first out, no size limit; only the head is sent or removed. Safe from any thread.
class SendQueue {
 public:
  void Append(OutgoingMessage item);
  // The items one after another, with no other item between them.
  void AppendAll(std::vector<OutgoingMessage> items);
  // A copy of the head; false when the queue is empty.
  bool CopyHead(OutgoingMessage* head) const;
  void RemoveHead();
  // Counts one more failed cycle and tells the new count; -1 when empty.
  int32_t CountFailedAttempt();
  size_t Size() const;
  std::vector<OutgoingMessage> Items() const;  // head first

 private:
  mutable EngineMutex mutex_;
  std::deque<OutgoingMessage> items_ ENGINE_GUARDED_BY(mutex_);
};

// Waits a worker cycle makes; tests shorten them.
struct SendPacing {
  int textDelayMs = 500;  // before every text attempt
  int idlePollMs = 10;    // between looks at an empty queue
};

// Runs `cycle` until stopped. The cycle's waits go through Wait, which returns false as soon
// as a stop is asked for. Start and Stop are called from one thread at a time.
class SendWorker {
 public:
  ~SendWorker() { Stop(); }
  void Start(std::function<void(SendWorker& worker)> cycle);
  // Returns once the cycle in progress has ended; the thread is joined, never killed.
  void Stop();
  bool Running() const { return thread_.joinable(); }
  // Sleeps `milliseconds`; false when a stop came first.
  bool Wait(int milliseconds);
  bool StopRequested() const { return stopRequested_.load(); }

 private:
  std::thread thread_;
  EngineMutex wakeMutex_;
  std::condition_variable_any wake_;
  std::atomic<bool> stopRequested_{false};
};
