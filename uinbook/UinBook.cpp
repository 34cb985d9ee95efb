// The exports of UinBook. One lock covers the map and the registry of kept results for
// every export's whole operation. Each thread's kept results hang off a per-thread slot
// owned by the entry file; the registry lets unloading free the results of threads that
// are still alive, and lets a thread that ends after unloading began find nothing to free.
#include "UinBook.h"

#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_set>

#include "UinBookState.h"
#include "UinMap.h"

#if defined(__clang__)
#define UINBOOK_CAPABILITY(x) __attribute__((capability(x)))
#define UINBOOK_SCOPED_CAPABILITY __attribute__((scoped_lockable))
#define UINBOOK_ACQUIRE(...) __attribute__((acquire_capability(__VA_ARGS__)))
#define UINBOOK_RELEASE(...) __attribute__((release_capability(__VA_ARGS__)))
#define UINBOOK_GUARDED_BY(x) __attribute__((guarded_by(x)))
#define UINBOOK_PT_GUARDED_BY(x) __attribute__((pt_guarded_by(x)))
#else
#define UINBOOK_CAPABILITY(x)
#define UINBOOK_SCOPED_CAPABILITY
#define UINBOOK_ACQUIRE(...)
#define UINBOOK_RELEASE(...)
#define UINBOOK_GUARDED_BY(x)
#define UINBOOK_PT_GUARDED_BY(x)
#endif

namespace {

class UINBOOK_CAPABILITY("mutex") BookMutex {
 public:
  void Lock() UINBOOK_ACQUIRE() { mutex_.lock(); }
  void Unlock() UINBOOK_RELEASE() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

class UINBOOK_SCOPED_CAPABILITY BookLock {
 public:
  explicit BookLock(BookMutex& mutex) UINBOOK_ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~BookLock() UINBOOK_RELEASE() { mutex_.Unlock(); }
  BookLock(const BookLock&) = delete;
  BookLock& operator=(const BookLock&) = delete;

 private:
  BookMutex& mutex_;
};

struct UinBookData {
  UinMap map;
  std::unordered_set<KeptResults*> keptResultsOfThreads;
};

// Constant-initialised, so it exists before any load hook runs and is never destroyed early.
BookMutex gBookMutex;
// Null before StartUinBook and after StopUinBook.
UinBookData* gBook UINBOOK_GUARDED_BY(gBookMutex) UINBOOK_PT_GUARDED_BY(gBookMutex) = nullptr;

std::string_view TextOf(const char* text) { return text ? std::string_view(text) : std::string_view(); }

KeptResults& KeptResultsOfThisThread(UinBookData& book) {
  if (KeptResults* kept = CurrentThreadKeptResults()) return *kept;
  auto fresh = std::make_unique<KeptResults>();
  book.keptResultsOfThreads.insert(fresh.get());
  SetCurrentThreadKeptResults(fresh.get());
  return *fresh.release();
}

// Overwrites the thread's previous result of the same export, which releases it.
const char* KeepResult(std::string& slot, const std::string* found) {
  if (found) {
    slot = *found;
  } else {
    slot.clear();
  }
  return slot.c_str();
}

}  // namespace

void StartUinBook() {
  auto book = std::make_unique<UinBookData>();
  BookLock lock(gBookMutex);
  if (!gBook) gBook = book.release();
}

void StopUinBook() {
  std::unique_ptr<UinBookData> book;
  {
    BookLock lock(gBookMutex);
    book.reset(gBook);
    gBook = nullptr;
  }
  if (!book) return;
  for (KeptResults* kept : book->keptResultsOfThreads) delete kept;
}

void ReleaseEndingThread(KeptResults* kept) {
  BookLock lock(gBookMutex);
  if (!gBook || gBook->keptResultsOfThreads.erase(kept) == 0) return;
  delete kept;
}

extern "C" {

UINBOOK_EXPORT int32_t UINBOOK_CALL AddQQUin(const char* number, const char* uin) {
  BookLock lock(gBookMutex);
  if (gBook) gBook->map.Add(TextOf(number), TextOf(uin));
  return 1;
}

UINBOOK_EXPORT const char* UINBOOK_CALL GetQQUin(const char* number) {
  BookLock lock(gBookMutex);
  if (!gBook) return "";
  return KeepResult(KeptResultsOfThisThread(*gBook).uinOfNumber, gBook->map.FindUin(TextOf(number)));
}

UINBOOK_EXPORT const char* UINBOOK_CALL UinBookQQ(const char* uin) {
  BookLock lock(gBookMutex);
  if (!gBook) return "";
  return KeepResult(KeptResultsOfThisThread(*gBook).numberOfUin, gBook->map.FindNumber(TextOf(uin)));
}

}  // extern "C"
