#include <windows.h>

#include <string>

#include "TemplateSettings.h"

namespace {

// The texts are GBK; convert with code page 936 so that any Windows shows them right.
std::wstring FromGbk(const char* text) {
  int length = MultiByteToWideChar(936, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  if (length > 0) MultiByteToWideChar(936, 0, text, -1, &wide[0], length);
  return wide;
}

}  // namespace

void ShowTemplateSettings() {
  MessageBoxW(nullptr, FromGbk("TemplatePlugin").c_str(), FromGbk("信息").c_str(), MB_OK);
}
