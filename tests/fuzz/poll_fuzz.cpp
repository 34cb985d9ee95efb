// Poll-reply processing: any bytes must decode without a crash, a hang or a read out of
// bounds, and every decoded message must pass the duplicate memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "webqq/PollDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static RecentMessages memory(64);
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  const PollReply decoded = DecodePollReply(reply);
  for (const PollEvent& event : decoded.events) memory.RememberIfNew(event);
  DecodeContentElements(reply);
  return 0;
}
