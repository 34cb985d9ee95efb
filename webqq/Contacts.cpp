// The friend, group and discussion lists, number lookups through UinBook, stranger
// information and the own signature line.
#include "webqq/ContactLists.h"
#include "webqq/MessageText.h"
#include "webqq/UinBookLink.h"
#include "webqq/WebQQClient.h"
#include "webqq/transport/TextCodec.h"

std::string WebQQClient::ApiCall(const std::string& pathAndQuery, const std::string& body, int timeoutSeconds) const {
  return ChannelCall(pathAndQuery, body, timeoutSeconds, addresses_.api);
}

std::string WebQQClient::ListHash() const {
  return FriendListHash(GetAccountProfile().qq, GetCookie(CurrentSession()->jar, " ptwebqq"));
}

NumberLookup WebQQClient::Lookup() {
  return [this](int kind, const std::string& id) { return LookupQQNumber(kind, id); };
}

bool WebQQClient::LoadFriends(std::vector<FriendEntry>* friends, std::vector<FriendCategory>* categories) {
  const std::string reply = Utf8ToLocal(ApiCall(
      "/api/get_user_friends2", "r=%7B%22h%22%3A%22hello%22%2C%22hash%22%3A%22" + ListHash() +
                                    "%22%2C%22vfwebqq%22%3A%22" + CurrentSession()->tokens.vfwebqq + "%22%7D"));
  if (reply.empty()) return false;
  DecodeFriendList(reply, Lookup(), friends, categories);
  return true;
}

bool WebQQClient::LoadGroups(std::vector<GroupEntry>* groups) {
  const std::string reply = Utf8ToLocal(ApiCall(
      "/api/get_group_name_list_mask2",
      "r=%7B%22hash%22%3A%22" + ListHash() + "%22%2C%22vfwebqq%22%3A%22" + CurrentSession()->tokens.vfwebqq + "%22%7D"));
  if (reply.empty()) return false;
  DecodeGroupList(reply, Lookup(), groups);
  return true;
}

bool WebQQClient::LoadDiscussions(std::vector<DiscussionEntry>* discussions) {
  const LoginTokens& tokens = CurrentSession()->tokens;
  const std::string reply = Utf8ToLocal(ApiCall("/api/get_discus_list?clientid=" + tokens.clientid + "&psessionid=" +
                                                tokens.psessionid + "&vfwebqq=" + tokens.vfwebqq + "&t=" + TimeStamp()));
  if (reply.empty()) return false;
  DecodeDiscussionList(reply, discussions);
  return true;
}

std::string WebQQClient::LookupQQNumber(int32_t kind, const std::string& id) {
  UinBookLink& book = UinBookLink::Shared();
  std::string known = book.NumberOf(id);
  if (!known.empty()) return known;
  const char* type = kind == 0 ? "1" : (kind == 1 || kind == 2) ? "4" : nullptr;
  if (!type) return id;  // a discussion id is its own number
  const std::string reply = ApiCall("/api/get_friend_uin2?tuin=" + id + "&verifysession=&type=" + type +
                                        "&code=&vfwebqq=" + CurrentSession()->tokens.vfwebqq + "&t=" + TimeStamp(),
                                    "", 20);
  std::string number = TextBetween(reply, "\"account\":", ",");
  book.Remember(number, id);
  return number;
}

std::string WebQQClient::GetStrangerInfo(int32_t kind, const std::string& uin) {
  const std::string reply = Utf8ToLocal(ApiCall("/api/get_stranger_info2?tuin=" + uin + "&verifysession=&gid=0&code=&vfwebqq=" +
                                                CurrentSession()->tokens.vfwebqq + "&t=" + TimeStamp()));
  if (kind == 0) return TextBetween(reply, "nick\":\"", "\"");
  if (kind == 1) {
    return TextBetween(reply, "country\":\"", "\"") + TextBetween(reply, "province\":\"", "\"") +
           TextBetween(reply, "city\":\"", "\"");
  }
  return reply;
}

void WebQQClient::SetOwnLongNick(const std::string& text) {
  // Sent as a JSON string, URL-encoded as UTF-8 like every other form value, so that a quote,
  // "&" or "%" cannot break the request and the service reads the characters it was sent.
  ApiCall("/api/set_long_nick2",
          "r=%7B%22nlk%22%3A%22" + FormJsonText(text) + "%22%2C%22vfwebqq%22%3A%22" + CurrentSession()->tokens.vfwebqq + "%22%7D");
}
