// UnscramblePassword of any bytes (a settings file may hold anything), and the round trip
// of whatever text comes out of it, and of the input itself as a password.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "webqq/transport/PasswordScramble.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string text = UnscramblePassword(input);
  if (text.find('\0') != std::string::npos) std::abort();
  if (UnscramblePassword(ScramblePassword(text)) != text) std::abort();
  if (input.find('\0') == std::string_view::npos && UnscramblePassword(ScramblePassword(input)) != input)
    std::abort();
  return 0;
}
