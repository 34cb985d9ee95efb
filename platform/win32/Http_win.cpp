#include <windows.h>
#include <winhttp.h>

#include "zuvo/platform/Http.h"

bool HttpClientAvailable() {
  HINTERNET session = WinHttpOpen(L"Zuvo", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session) return false;
  WinHttpCloseHandle(session);
  return true;
}
