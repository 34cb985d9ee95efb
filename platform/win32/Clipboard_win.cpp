#include "zuvo/platform/Clipboard.h"

#include <windows.h>

#include <cstring>

bool SetClipboardText(std::string_view gbk) {
  // CF_TEXT ends at the first NUL, so the text is cut there as every reader would.
  gbk = gbk.substr(0, gbk.find('\0'));
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, gbk.size() + 1);
  if (!memory) return false;
  char* bytes = static_cast<char*>(GlobalLock(memory));
  if (!bytes) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(bytes, gbk.data(), gbk.size());
  bytes[gbk.size()] = '\0';
  GlobalUnlock(memory);
  if (!OpenClipboard(nullptr)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  // Tell the system which code page the bytes are in, whatever the machine's own one is.
  HGLOBAL locale = GlobalAlloc(GMEM_MOVEABLE, sizeof(LCID));
  if (locale) {
    LCID* id = static_cast<LCID*>(GlobalLock(locale));
    if (id) {
      *id = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);
      GlobalUnlock(locale);
    }
  }
  bool placed = SetClipboardData(CF_TEXT, memory) != nullptr;
  if (!placed) GlobalFree(memory);
  if (locale && (!placed || !SetClipboardData(CF_LOCALE, locale))) GlobalFree(locale);
  CloseClipboard();
  return placed;
}

bool GetClipboardText(std::string* gbk) {
  if (!OpenClipboard(nullptr)) return false;
  bool found = false;
  HANDLE memory = GetClipboardData(CF_TEXT);
  if (memory) {
    const char* bytes = static_cast<const char*>(GlobalLock(memory));
    if (bytes) {
      gbk->assign(bytes, strnlen(bytes, GlobalSize(memory)));
      GlobalUnlock(memory);
      found = true;
    }
  }
  CloseClipboard();
  return found;
}
