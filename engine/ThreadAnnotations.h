// Lock annotations that clang's -Wthread-safety checks (empty for other compilers), and the
// annotated mutex the engine's shared data sits beside.
#pragma once

#include <mutex>

#if defined(__clang__)
#define ENGINE_CAPABILITY(x) __attribute__((capability(x)))
#define ENGINE_SCOPED_CAPABILITY __attribute__((scoped_lockable))
#define ENGINE_ACQUIRE(...) __attribute__((acquire_capability(__VA_ARGS__)))
#define ENGINE_RELEASE(...) __attribute__((release_capability(__VA_ARGS__)))
#define ENGINE_GUARDED_BY(x) __attribute__((guarded_by(x)))
#else
#define ENGINE_CAPABILITY(x)
#define ENGINE_SCOPED_CAPABILITY
#define ENGINE_ACQUIRE(...)
#define ENGINE_RELEASE(...)
#define ENGINE_GUARDED_BY(x)
#endif

// BasicLockable, so std::condition_variable_any can wait on it.
class ENGINE_CAPABILITY("mutex") EngineMutex {
 public:
  void lock() ENGINE_ACQUIRE() { mutex_.lock(); }
  void unlock() ENGINE_RELEASE() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

class ENGINE_SCOPED_CAPABILITY EngineLock {
 public:
  explicit EngineLock(EngineMutex& mutex) ENGINE_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~EngineLock() ENGINE_RELEASE() { mutex_.unlock(); }
  EngineLock(const EngineLock&) = delete;
  EngineLock& operator=(const EngineLock&) = delete;

 private:
  EngineMutex& mutex_;
};
