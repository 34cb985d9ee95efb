#include <windows.h>

#include <string>

#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"
#include "zuvo/platform/Text.h"

std::string RunDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
    if (n == 0) return ".";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return ParentFolder(Utf16ToGbk(std::u16string(path.begin(), path.end())));
}
