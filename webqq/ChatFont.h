// The font a chat message is sent in; also kept in the account's settings.
#pragma once

#include <cstdint>
#include <string>

struct ChatFont {
  std::string name = "宋体";  // GBK
  int32_t size = 9;            // points
  int32_t color = 0;           // COLORREF order, 0x00BBGGRR
  bool bold = false;
  bool italic = false;
  bool underline = false;
};
