#include "webqq/ContactLists.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <unordered_map>

#include "webqq/transport/TextCodec.h"

const char kDefaultCategoryName[] = "我的好友";

namespace {

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The left delimiters here begin with an ASCII byte below 0x40, which is never the trail
// byte of a GBK character, so a plain byte search finds exactly what the character search
// finds. A right delimiter such as "}" can be a trail byte and is searched by character.
size_t FindBytes(const std::string& text, std::string_view what, size_t from) { return text.find(what, from); }

size_t FindCharacters(const std::string& text, std::string_view what, size_t from) {
  int64_t at = FindText(text, what, int64_t(from) + 1);
  return at == -1 ? std::string::npos : size_t(at - 1);
}

// The value after each occurrence of `marker`, up to `end`, keyed by the digit run that ends
// right before the marker. A key written as `prefix` + digits (when `prefix` is given) must
// stand exactly there; otherwise every suffix of the digit run is a key, because a search for
// uin + marker also matches inside a longer number. The first occurrence of a key wins, as a
// search from the reply's start would find it.
// Keys and values are views into the reply, which outlives the index.
using NumberIndex = std::unordered_map<std::string_view, std::string_view>;

NumberIndex ValuesByNumberBefore(const std::string& reply, std::string_view marker, std::string_view end,
                                 std::string_view prefix) {
  NumberIndex values;
  for (size_t at = FindBytes(reply, marker, 0); at != std::string::npos; at = FindBytes(reply, marker, at + 1)) {
    size_t valueStart = at + marker.size();
    size_t valueEnd = FindCharacters(reply, end, valueStart);
    size_t digits = at;
    while (digits > 0 && reply[digits - 1] >= '0' && reply[digits - 1] <= '9') --digits;
    if (digits == at) continue;
    std::string_view run(reply.data() + digits, at - digits);
    // The first occurrence decides, also when its value is empty or never ends.
    std::string_view value =
        valueEnd == std::string::npos ? std::string_view() : std::string_view(reply.data() + valueStart, valueEnd - valueStart);
    if (!prefix.empty()) {
      if (digits >= prefix.size() && reply.compare(digits - prefix.size(), prefix.size(), prefix) == 0)
        values.emplace(run, value);
      continue;
    }
    for (size_t cut = 0; cut < run.size(); ++cut) values.emplace(run.substr(cut), value);
  }
  return values;
}

// The same lookup done by a plain search, for keys the index does not cover.
std::string SearchedValue(const std::string& reply, const std::string& left, const char* right) {
  return TextBetween(reply, left, right);
}

std::string IndexedOrSearched(const NumberIndex& index, const std::string& reply, const std::string& uin,
                              const std::string& left, const char* right) {
  if (!IsDigits(uin)) return SearchedValue(reply, left, right);
  auto found = index.find(uin);
  return found == index.end() ? std::string() : std::string(found->second);
}

std::string Name(const std::string& raw) { return raw.find('\\') == std::string::npos ? raw : UnescapeUnicode(raw); }

// Counts of ",\"categories\":" + v + "}" by v, for every v.
std::unordered_map<std::string_view, int32_t> CategoryCounts(const std::string& reply) {
  static const std::string_view kMarker = ",\"categories\":";
  std::unordered_map<std::string_view, int32_t> counts;
  for (size_t at = FindBytes(reply, kMarker, 0); at != std::string::npos;
       at = FindBytes(reply, kMarker, at + kMarker.size())) {
    size_t valueStart = at + kMarker.size();
    size_t close = reply.find('}', valueStart);
    if (close == std::string::npos) break;
    ++counts[std::string_view(reply.data() + valueStart, close - valueStart)];
  }
  return counts;
}

// Members are counted for the category's number, as the list keeps it.
int32_t MemberCount(const std::unordered_map<std::string_view, int32_t>& counts, int32_t index) {
  auto found = counts.find(std::to_string(index));
  return found == counts.end() ? 0 : found->second;
}

std::vector<FriendCategory> DecodeCategories(const std::string& reply) {
  std::unordered_map<std::string_view, int32_t> counts = CategoryCounts(reply);
  std::vector<FriendCategory> categories;
  int64_t position = 0;
  while (position != -1) {
    std::string index = TextBetween(reply, "\"index\":", ",", position, &position);
    if (position == -1) break;
    std::string sort = TextBetween(reply, "\"sort\":", ",", position);
    std::string name = TextBetween(reply, "\"name\":\"", "\"", position);
    if (index.empty()) continue;
    categories.push_back({LeadingNumber(sort), LeadingNumber(index), Name(name), MemberCount(counts, LeadingNumber(index))});
  }
  std::stable_sort(categories.begin(), categories.end(),
                   [](const FriendCategory& a, const FriendCategory& b) { return a.sort < b.sort; });
  if (categories.empty() || categories.front().index != 0)
    categories.insert(categories.begin(), {0, 0, kDefaultCategoryName, MemberCount(counts, 0)});
  return categories;
}

// The start of the last "\"nick\":\"" that ends at or before `limit`, walking forward only.
struct NickCursor {
  const std::string& reply;
  size_t next = 0;                      // where the search for the next occurrence goes on
  size_t last = std::string::npos;      // the last occurrence found so far
  size_t LastBefore(size_t limit) {
    static const std::string_view kNick = "\"nick\":\"";
    for (;;) {
      size_t at = FindBytes(reply, kNick, next);
      if (at == std::string::npos || at + kNick.size() > limit) return last;
      last = at;
      next = at + 1;
    }
  }
};

}  // namespace

int32_t LeadingNumber(const std::string& text) {
  size_t i = 0;
  bool negative = i < text.size() && text[i] == '-';
  if (negative || (i < text.size() && text[i] == '+')) ++i;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t(INT32_MAX) + 1);
  }
  value = negative ? -value : value;
  return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool IsVipText(const std::string& text) { return text != "0"; }

int32_t CountCategoryMembers(int32_t index, const std::string& reply) {
  std::string pattern = ",\"categories\":" + std::to_string(index) + "}";
  int32_t count = 0;
  for (size_t at = reply.find(pattern); at != std::string::npos; at = reply.find(pattern, at + pattern.size())) ++count;
  return count;
}

void DecodeFriendList(const std::string& reply, const NumberLookup& lookup, std::vector<FriendEntry>* friends,
                      std::vector<FriendCategory>* categories) {
  *categories = DecodeCategories(reply);
  auto marknames = ValuesByNumberBefore(reply, ",\"markname\":\"", "\"", "\"uin\":");
  auto vips = ValuesByNumberBefore(reply, ",\"is_vip\":", "}", "");
  auto friendCategories = ValuesByNumberBefore(reply, ",\"categories\":", "}", "");
  friends->clear();
  NickCursor nicks{reply};
  static const std::string_view kUin = "\",\"uin\":";
  int64_t position = 0;
  while (position != -1) {
    std::string uin = TextBetween(reply, "\",\"uin\":", "}", position, &position);
    if (position == -1) break;
    size_t match = size_t(position - 1) - uin.size() - 1 - kUin.size();  // where "\",\"uin\":" starts
    FriendEntry entry;
    entry.uin = uin;
    size_t nick = nicks.LastBefore(match);
    if (nick != std::string::npos) entry.nick = Name(reply.substr(nick + 8, match - nick - 8));
    entry.markname = Name(IndexedOrSearched(marknames, reply, uin, "\"uin\":" + uin + ",\"markname\":\"", "\""));
    entry.vip = IsVipText(IndexedOrSearched(vips, reply, uin, uin + ",\"is_vip\":", "}"));
    entry.category = LeadingNumber(IndexedOrSearched(friendCategories, reply, uin, uin + ",\"categories\":", "}"));
    if (entry.nick.empty() && lookup) entry.nick = lookup(0, uin);
    if (!uin.empty()) friends->push_back(std::move(entry));
  }
  std::stable_partition(friends->begin(), friends->end(), [](const FriendEntry& f) { return f.vip; });
}

void DecodeGroupList(const std::string& reply, const NumberLookup& lookup, std::vector<GroupEntry>* groups) {
  auto marknames = ValuesByNumberBefore(reply, ",\"markname\":\"", "\"", "");
  groups->clear();
  int64_t position = 0;
  while (position != -1) {
    GroupEntry entry;
    entry.flag = TextBetween(reply, "\"flag\":", ",", position, &position);
    if (position == -1) break;
    entry.name = Name(TextBetween(reply, "\"name\":\"", "\"", position));
    entry.gid = TextBetween(reply, "\"gid\":", ",", position);
    entry.code = TextBetween(reply, "\"code\":", "}", position);
    entry.markname = Name(IndexedOrSearched(marknames, reply, entry.gid, entry.gid + ",\"markname\":\"", "\""));
    if (entry.flag.empty()) continue;
    if (entry.name.empty() && lookup) entry.name = lookup(1, entry.code);
    groups->push_back(std::move(entry));
  }
}

void DecodeDiscussionList(const std::string& reply, std::vector<DiscussionEntry>* discussions) {
  discussions->clear();
  int64_t position = 0;
  while (position != -1) {
    std::string name = TextBetween(reply, "\"name\":\"", "\"", position, &position);
    if (position == -1) break;
    // The did is read inside the same object, whichever of the two keys comes first.
    size_t nameAt = size_t(position - 1);
    size_t open = reply.rfind('{', nameAt);
    size_t close = reply.find('}', nameAt);
    if (open == std::string::npos) open = 0;
    std::string object = reply.substr(open, close == std::string::npos ? std::string::npos : close - open + 1);
    std::string did = TextBetween(object, "\"did\":", ",");
    if (did.empty() || did.find('}') != std::string::npos) did = TextBetween(object, "\"did\":", "}");
    if (name.empty()) continue;
    discussions->push_back({Name(name), did});
  }
}
