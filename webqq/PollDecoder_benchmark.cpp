// Decoding time of a typical poll reply with one group message.
#include <benchmark/benchmark.h>

#include <string>

#include "webqq/PollDecoder.h"

namespace {

const char kOneMessage[] =
    "{\"retcode\":0,\"result\":[{\"poll_type\":\"group_message\",\"value\":{\"msg_id\":14155,"
    "\"from_uin\":848492696,\"to_uin\":1002053815,\"msg_id2\":279741,\"msg_type\":43,\"reply_ip\":176886363,"
    "\"group_code\":2227416282,\"send_uin\":2388435354,\"seq\":227,\"time\":1419226485,\"info_seq\":126658727,"
    "\"content\":[[\"font\",{\"size\":10,\"color\":\"000000\",\"style\":[0,0,0],\"name\":\"\\u5FAE\\u8F6F\\u96C5\\u9ED1\"}],"
    "\"\\u4F60\\u597D\\uFF0C\\u6709\\u4EBA\\u5728\\u5417\",[\"face\",14],\" \"]}}]}";

void DecodeOneMessageReply(benchmark::State& state) {
  const std::string reply = kOneMessage;
  for (auto _ : state) {
    PollReply decoded = DecodePollReply(reply);
    benchmark::DoNotOptimize(decoded);
  }
}
BENCHMARK(DecodeOneMessageReply);

}  // namespace

BENCHMARK_MAIN();
