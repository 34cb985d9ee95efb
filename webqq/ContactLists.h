// The friend, group and discussion lists as the service's list replies give them. The
// decoders pull each value out of the reply text by its delimiters, exactly as a search
// from the reply's start would, but index the reply once instead of searching it again for
// every friend. Texts are GBK; a name that arrives with \uXXXX escapes is unescaped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct FriendCategory {
  int32_t sort = 0;
  int32_t index = 0;  // the number friends refer to
  std::string name;
  int32_t memberCount = 0;
};

struct FriendEntry {
  int32_t category = 0;
  std::string nick, uin, markname;
  bool vip = false;
};

struct GroupEntry {
  std::string flag, name, markname, gid, code;
};

struct DiscussionEntry {
  std::string name, did;
};

// The number of a uin (kind 0) or of a group code (kind 1), for entries without a name.
using NumberLookup = std::function<std::string(int kind, const std::string& id)>;

extern const char kDefaultCategoryName[];  // "我的好友"

// `reply` is the friend list reply converted to GBK. Categories sorted by `sort` (equal keys
// in reply order), the default category in front unless the first has index 0; friends with
// VIP friends first (otherwise in reply order).
void DecodeFriendList(const std::string& reply, const NumberLookup& lookup, std::vector<FriendEntry>* friends,
                      std::vector<FriendCategory>* categories);
void DecodeGroupList(const std::string& reply, const NumberLookup& lookup, std::vector<GroupEntry>* groups);
// Both orders of the two keys are understood ({"name":..,"did":..} and {"did":..,"name":..}).
void DecodeDiscussionList(const std::string& reply, std::vector<DiscussionEntry>* discussions);

int32_t CountCategoryMembers(int32_t index, const std::string& reply);
bool IsVipText(const std::string& text);

// The leading decimal number of a text ("12," -> 12), 0 when there is none; saturates.
int32_t LeadingNumber(const std::string& text);
