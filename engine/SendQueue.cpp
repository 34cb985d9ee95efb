#include "engine/SendQueue.h"

#include <chrono>

void SendQueue::Append(OutgoingMessage item) {
  EngineLock lock(mutex_);
  items_.push_back(std::move(item));
}

void SendQueue::AppendAll(std::vector<OutgoingMessage> items) {
  EngineLock lock(mutex_);
  for (OutgoingMessage& item : items) items_.push_back(std::move(item));
}

bool SendQueue::CopyHead(OutgoingMessage* head) const {
  EngineLock lock(mutex_);
  if (items_.empty()) return false;
  *head = items_.front();
  return true;
}

void SendQueue::RemoveHead() {
  EngineLock lock(mutex_);
  if (!items_.empty()) items_.pop_front();
}

int32_t SendQueue::CountFailedAttempt() {
  EngineLock lock(mutex_);
  if (items_.empty()) return -1;
  return ++items_.front().attempts;
}

size_t SendQueue::Size() const {
  EngineLock lock(mutex_);
  return items_.size();
}

std::vector<OutgoingMessage> SendQueue::Items() const {
  EngineLock lock(mutex_);
  return std::vector<OutgoingMessage>(items_.begin(), items_.end());
}

void SendWorker::Start(std::function<void(SendWorker& worker)> cycle) {
  if (thread_.joinable()) return;
  stopRequested_ = false;
  thread_ = std::thread([this, cycle = std::move(cycle)] {
    while (!stopRequested_.load()) cycle(*this);
  });
}

void SendWorker::Stop() {
  if (!thread_.joinable()) return;
  {
    EngineLock lock(wakeMutex_);
    stopRequested_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool SendWorker::Wait(int milliseconds) {
  EngineLock lock(wakeMutex_);
  return !wake_.wait_for(wakeMutex_, std::chrono::milliseconds(milliseconds),
                         [this] { return stopRequested_.load(); });
}
