// DllMain of UinBook.dll. The kept results of a thread hang off a TLS slot and are freed at
// DLL_THREAD_DETACH, since the robot starts a new thread for every poll. C++ thread_local
// is avoided on purpose: MinGW runs its destructors at thread exit even after FreeLibrary.
#include <windows.h>

#include "../UinBookState.h"

namespace {

DWORD gKeptResultsSlot = TLS_OUT_OF_INDEXES;

}  // namespace

KeptResults* CurrentThreadKeptResults() {
  DWORD callersLastError = GetLastError();  // TlsGetValue clears it; the caller may still want it
  void* kept = TlsGetValue(gKeptResultsSlot);
  SetLastError(callersLastError);
  return static_cast<KeptResults*>(kept);
}

void SetCurrentThreadKeptResults(KeptResults* kept) { TlsSetValue(gKeptResultsSlot, kept); }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      gKeptResultsSlot = TlsAlloc();
      if (gKeptResultsSlot == TLS_OUT_OF_INDEXES) return FALSE;
      StartUinBook();
      break;
    case DLL_THREAD_DETACH:
      if (KeptResults* kept = CurrentThreadKeptResults()) ReleaseEndingThread(kept);
      break;
    case DLL_PROCESS_DETACH:
      // At process exit the other threads are already gone, perhaps inside the lock:
      // the system takes the memory back, so only FreeLibrary frees it.
      if (reserved == nullptr) StopUinBook();
      TlsFree(gKeptResultsSlot);
      break;
    default:
      break;
  }
  return TRUE;
}
