#include <iconv.h>

#include "../GbkTable.h"

namespace {

// One GBK character through iconv; 0 when the system has no character for it.
char16_t ConvertOne(iconv_t cd, const char* bytes, size_t length) {
  char in[2] = {bytes[0], length > 1 ? bytes[1] : '\0'};
  unsigned char out[8];
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  size_t inLeft = length, outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0) return 0;
  if (sizeof out - outLeft != 2) return 0;  // nothing, or outside the BMP
  return char16_t(out[0] | out[1] << 8);
}

// iconv leaves the user-defined areas of code page 936 without characters; Windows gives
// them private-use characters from U+E000 on, region after region, in code order.
void FillPrivateUseAreas(GbkTable* table) {
  struct Region { int leadFirst, leadLast, trailFirst, trailLast; };
  static const Region kRegions[] = {
      {0xAA, 0xAF, 0xA1, 0xFE}, {0xF8, 0xFE, 0xA1, 0xFE}, {0xA1, 0xA7, 0x40, 0xA0},
      {0xA2, 0xA9, 0x40, 0xFE}, {0xD7, 0xD7, 0xFA, 0xFE}, {0xFE, 0xFE, 0x50, 0xA0},
  };
  char16_t next = 0xE000;
  for (const Region& region : kRegions) {
    for (int lead = region.leadFirst; lead <= region.leadLast; ++lead) {
      for (int trail = region.trailFirst; trail <= region.trailLast; ++trail) {
        char16_t& slot = table->pair[lead - 0x81][trail - 0x40];
        if (trail != 0x7F && slot == 0) slot = next++;
      }
    }
  }
}

}  // namespace

void FillGbkForwardTable(GbkTable* table) {
  iconv_t cd = iconv_open("UTF-16LE", "CP936");
  if (cd == iconv_t(-1)) return;
  for (int b = 0x80; b <= 0xFF; ++b) {
    char byte = char(b);
    table->single[b - 0x80] = ConvertOne(cd, &byte, 1);
  }
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      char pair[2] = {char(lead), char(trail)};
      table->pair[lead - 0x81][trail - 0x40] = ConvertOne(cd, pair, 2);
    }
  }
  iconv_close(cd);
  FillPrivateUseAreas(table);
}
