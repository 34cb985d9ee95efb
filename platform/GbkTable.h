// The GBK table shared by the conversions in Text.cpp; the platform file fills its forward
// half from the system's converter, Text.cpp derives the reverse half.
#pragma once

#include <cstdint>

struct GbkTable {
  char16_t single[128] = {};     // bytes 0x80-0xFF; 0 = no character
  char16_t pair[126][191] = {};  // lead 0x81-0xFE, trail 0x40-0xFE; 0 = no character
  uint16_t fromUnicode[65536] = {};  // 0 = no GBK form; < 0x100 a single byte, else lead << 8 | trail
};

// Platform part: fill `single` and `pair` from the system's code page 936.
void FillGbkForwardTable(GbkTable* table);
