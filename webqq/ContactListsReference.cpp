#include "webqq/ContactListsReference.h"

#include <algorithm>

#include "webqq/transport/TextCodec.h"

namespace {

std::string Name(const std::string& raw) { return UnescapeUnicode(raw); }

}  // namespace

void ReferenceDecodeFriendList(const std::string& reply, const NumberLookup& lookup, std::vector<FriendEntry>* friends,
                               std::vector<FriendCategory>* categories) {
  categories->clear();
  int64_t position = 0;
  while (position != -1) {
    std::string index = TextBetween(reply, "\"index\":", ",", position, &position);
    if (position == -1) break;
    std::string sort = TextBetween(reply, "\"sort\":", ",", position);
    std::string name = TextBetween(reply, "\"name\":\"", "\"", position);
    categories->push_back({LeadingNumber(sort), LeadingNumber(index), Name(name),
                           CountCategoryMembers(LeadingNumber(index), reply)});
  }
  std::stable_sort(categories->begin(), categories->end(),
                   [](const FriendCategory& a, const FriendCategory& b) { return a.sort < b.sort; });
  if (categories->empty() || categories->front().index != 0)
    categories->insert(categories->begin(), {0, 0, kDefaultCategoryName, CountCategoryMembers(0, reply)});

  friends->clear();
  position = 0;
  while (position != -1) {
    std::string uin = TextBetween(reply, "\",\"uin\":", "}", position, &position);
    if (position == -1) break;
    size_t match = size_t(position - 1) - uin.size() - 1 - 8;
    size_t nick = reply.rfind("\"nick\":\"", match >= 8 ? match - 8 : std::string::npos);
    FriendEntry entry;
    entry.uin = uin;
    if (nick != std::string::npos && match >= 8) entry.nick = Name(reply.substr(nick + 8, match - nick - 8));
    entry.markname = Name(TextBetween(reply, "\"uin\":" + uin + ",\"markname\":\"", "\""));
    entry.vip = IsVipText(TextBetween(reply, uin + ",\"is_vip\":", "}"));
    entry.category = LeadingNumber(TextBetween(reply, uin + ",\"categories\":", "}"));
    if (entry.nick.empty() && lookup) entry.nick = lookup(0, uin);
    if (!uin.empty()) friends->push_back(std::move(entry));
  }
  std::stable_partition(friends->begin(), friends->end(), [](const FriendEntry& f) { return f.vip; });
}

void ReferenceDecodeGroupList(const std::string& reply, const NumberLookup& lookup, std::vector<GroupEntry>* groups) {
  groups->clear();
  int64_t position = 0;
  while (position != -1) {
    GroupEntry entry;
    entry.flag = TextBetween(reply, "\"flag\":", ",", position, &position);
    if (position == -1) break;
    entry.name = Name(TextBetween(reply, "\"name\":\"", "\"", position));
    entry.gid = TextBetween(reply, "\"gid\":", ",", position);
    entry.code = TextBetween(reply, "\"code\":", "}", position);
    entry.markname = Name(TextBetween(reply, entry.gid + ",\"markname\":\"", "\""));
    if (entry.name.empty() && lookup) entry.name = lookup(1, entry.code);
    groups->push_back(std::move(entry));
  }
}
