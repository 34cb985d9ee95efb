// Decoding a 3,000-friend reply with 30 categories, marknames and VIP data: the indexed
// decoder beside the straightforward one that searches the reply again for every friend.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "webqq/ContactListsReference.h"

namespace {

std::string BigFriendReply() {
  std::mt19937 random(7);
  std::string friends, marks, vips, infos, categories;
  for (int i = 0; i < 3000; ++i) {
    std::string uin = std::to_string(1000000000u + random() % 2000000000u);
    friends += std::string(i ? "," : "") + R"({"flag":4,"uin":)" + uin + R"(,"categories":)" + std::to_string(random() % 30) + "}";
    if (i % 3 == 0) marks += std::string(marks.empty() ? "" : ",") + R"({"uin":)" + uin + R"(,"markname":"备注)" + std::to_string(i) + R"(","type":0})";
    vips += std::string(i ? "," : "") + R"({"vip_level":1,"u":)" + uin + R"(,"is_vip":)" + std::to_string(i % 5 == 0) + "}";
    infos += std::string(i ? "," : "") + R"({"face":0,"flag":1,"nick":"好友昵称)" + std::to_string(i) + R"(","uin":)" + uin + "}";
  }
  for (int c = 0; c < 30; ++c)
    categories += std::string(c ? "," : "") + R"({"index":)" + std::to_string(c) + R"(,"sort":)" + std::to_string(30 - c) + R"(,"name":"分组)" + std::to_string(c) + "\"}";
  return R"({"retcode":0,"result":{"friends":[)" + friends + R"(],"marknames":[)" + marks + R"(],"categories":[)" + categories +
         R"(],"vipinfo":[)" + vips + R"(],"info":[)" + infos + "]}}";
}

std::string NoLookup(int, const std::string& id) { return id; }

void BM_DecodeFriendsIndexed(benchmark::State& state) {
  std::string reply = BigFriendReply();
  std::vector<FriendEntry> friends;
  std::vector<FriendCategory> categories;
  for (auto _ : state) DecodeFriendList(reply, NoLookup, &friends, &categories);
  state.counters["friends"] = double(friends.size());
}
BENCHMARK(BM_DecodeFriendsIndexed)->Unit(benchmark::kMillisecond);

void BM_DecodeFriendsRescanning(benchmark::State& state) {
  std::string reply = BigFriendReply();
  std::vector<FriendEntry> friends;
  std::vector<FriendCategory> categories;
  for (auto _ : state) ReferenceDecodeFriendList(reply, NoLookup, &friends, &categories);
  state.counters["friends"] = double(friends.size());
}
BENCHMARK(BM_DecodeFriendsRescanning)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
