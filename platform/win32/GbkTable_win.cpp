#include <windows.h>

#include "../GbkTable.h"

namespace {

// One GBK character through the system's code page 936; 0 when it has no character.
char16_t ConvertOne(const char* bytes, int length) {
  wchar_t out[4];
  int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, length, out, 4);
  return n == 1 ? char16_t(out[0]) : 0;
}

}  // namespace

void FillGbkForwardTable(GbkTable* table) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    char byte = char(b);
    table->single[b - 0x80] = ConvertOne(&byte, 1);
  }
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      char pair[2] = {char(lead), char(trail)};
      table->pair[lead - 0x81][trail - 0x40] = ConvertOne(pair, 2);
    }
  }
}
