// Load, unload and thread-end hooks of UinBook.so. The kept results of a thread hang off a
// pthread key whose destructor frees them when the thread ends; the key is deleted before
// the map is freed, so no thread ending after the library is unmapped calls into it.
#include <pthread.h>

#include "UinBookState.h"

namespace {

pthread_key_t gKeptResultsKey;
bool gKeptResultsKeyCreated = false;

void OnThreadEnd(void* kept) { ReleaseEndingThread(static_cast<KeptResults*>(kept)); }

// Without a key the library stays empty: every lookup answers "" and callers ask the service.
__attribute__((constructor)) void OnLibraryLoad() {
  gKeptResultsKeyCreated = pthread_key_create(&gKeptResultsKey, OnThreadEnd) == 0;
  if (gKeptResultsKeyCreated) StartUinBook();
}

__attribute__((destructor)) void OnLibraryUnload() {
  if (!gKeptResultsKeyCreated) return;
  pthread_key_delete(gKeptResultsKey);
  gKeptResultsKeyCreated = false;
  StopUinBook();
}

}  // namespace

KeptResults* CurrentThreadKeptResults() {
  return static_cast<KeptResults*>(pthread_getspecific(gKeptResultsKey));
}

void SetCurrentThreadKeptResults(KeptResults* kept) { pthread_setspecific(gKeptResultsKey, kept); }
