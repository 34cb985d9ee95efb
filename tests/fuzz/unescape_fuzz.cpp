// UnescapeUnicode and HexToNumber on any text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "webqq/transport/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string unescaped = UnescapeUnicode(text);
  // Six characters become at most two bytes; everything else is copied.
  if (unescaped.size() > text.size()) std::abort();
  // Without a "\u" or "\U" there is nothing to replace.
  if (text.find("\\u") == std::string_view::npos && text.find("\\U") == std::string_view::npos &&
      unescaped != text)
    std::abort();
  volatile int64_t number = HexToNumber(text);
  (void)number;
  return 0;
}
