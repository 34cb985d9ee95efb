// Answers to friend requests: accept and add, accept, refuse.
#include "webqq/MessageText.h"
#include "webqq/WebQQClient.h"

std::string WebQQClient::ReplyFriendRequest(int32_t action, const std::string& account, const std::string& remark,
                                            int32_t category, const std::string& reason) {
  const std::string vfwebqq = "%22%2C%22vfwebqq%22%3A%22" + CurrentSession()->tokens.vfwebqq + "%22%7D";
  // The remark and the reason are JSON strings inside the form value: escaped and URL-encoded.
  switch (action) {
    case 1:
      return ApiCall("/api/allow_and_add2", "r=%7B%22account%22%3A" + account + "%2C%22gid%22%3A" +
                                                std::to_string(category) + "%2C%22mname%22%3A%22" + FormJsonText(remark) + vfwebqq);
    case 2:
      return ApiCall("/api/allow_added_request2",
                     "r=%7B%22account%22%3A" + account + "%2C%22vfwebqq%22%3A%22" + CurrentSession()->tokens.vfwebqq + "%22%7D");
    case 3:
      return ApiCall("/api/deny_added_request2",
                     "r=%7B%22account%22%3A" + account + "%2C%22msg%22%3A%22" + FormJsonText(reason) + vfwebqq);
    default:
      return "";
  }
}
