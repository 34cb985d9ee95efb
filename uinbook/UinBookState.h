// Between the portable exports and the entry file of each system, which owns the
// per-thread slot and knows when threads end and when the library goes away.
#pragma once

#include <string>

// The last result of each lookup export for one thread.
struct KeptResults {
  std::string uinOfNumber;
  std::string numberOfUin;
};

// Entry file: the calling thread's slot, null until set.
KeptResults* CurrentThreadKeptResults();
void SetCurrentThreadKeptResults(KeptResults* kept);

// Exports side, called by the entry file.
void StartUinBook();
// Frees the map and every thread's kept results; later calls answer "".
void StopUinBook();
// A thread is ending: frees its kept results unless StopUinBook already did.
void ReleaseEndingThread(KeptResults* kept);
