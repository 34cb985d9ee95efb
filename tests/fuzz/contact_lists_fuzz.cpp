// The three list decoders on arbitrary replies. The friend decoder must also agree with the
// straightforward search of every value from the reply's start.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "webqq/ContactListsReference.h"

namespace {

[[maybe_unused]] std::string Lookup(int kind, const std::string& id) { return std::to_string(kind) + ":" + id; }

#if defined(FUZZ_FRIENDS)
bool Same(const FriendEntry& a, const FriendEntry& b) {
  return a.category == b.category && a.nick == b.nick && a.uin == b.uin && a.markname == b.markname && a.vip == b.vip;
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
#if defined(FUZZ_FRIENDS)
  std::vector<FriendEntry> friends, expected;
  std::vector<FriendCategory> categories, expectedCategories;
  DecodeFriendList(reply, Lookup, &friends, &categories);
  ReferenceDecodeFriendList(reply, Lookup, &expected, &expectedCategories);
  if (friends.size() != expected.size() || categories.size() != expectedCategories.size()) std::abort();
  for (size_t i = 0; i < friends.size(); ++i) {
    if (!Same(friends[i], expected[i])) std::abort();
  }
  for (size_t i = 0; i < categories.size(); ++i) {
    if (categories[i].memberCount != expectedCategories[i].memberCount || categories[i].name != expectedCategories[i].name)
      std::abort();
  }
#elif defined(FUZZ_GROUPS)
  std::vector<GroupEntry> groups, expected;
  DecodeGroupList(reply, Lookup, &groups);
  ReferenceDecodeGroupList(reply, Lookup, &expected);
  if (groups.size() != expected.size()) std::abort();
  for (size_t i = 0; i < groups.size(); ++i) {
    if (groups[i].markname != expected[i].markname || groups[i].name != expected[i].name) std::abort();
  }
#else
  std::vector<DiscussionEntry> discussions;
  DecodeDiscussionList(reply, &discussions);
#endif
  return 0;
}
