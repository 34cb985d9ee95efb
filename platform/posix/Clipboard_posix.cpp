// Our Linux machines have no desktop clipboard: the text stays in this process.
#include "zuvo/platform/Clipboard.h"

#include <mutex>

namespace {
std::mutex gClipboardMutex;
bool gClipboardHasText = false;  // guarded by gClipboardMutex
std::string gClipboardText;      // guarded by gClipboardMutex
}  // namespace

bool SetClipboardText(std::string_view gbk) {
  std::lock_guard<std::mutex> lock(gClipboardMutex);
  gClipboardText.assign(gbk);
  gClipboardHasText = true;
  return true;
}

bool GetClipboardText(std::string* gbk) {
  std::lock_guard<std::mutex> lock(gClipboardMutex);
  if (!gClipboardHasText) return false;
  *gbk = gClipboardText;
  return true;
}
