// The account's own avatar and signature line, read right after a login.
#include "webqq/WebQQClient.h"
#include "webqq/transport/HttpTransport.h"
#include "webqq/transport/TextCodec.h"

std::string WebQQClient::FetchOwnAvatar() const {
  const std::shared_ptr<const ClientSession> session = CurrentSession();
  HttpRequest request;
  request.url = addresses_.avatar + "/cgi/svr/face/getface?cache=1&type=11&fid=0&uin=" +
                GetAccountProfile().qq + "&vfwebqq=" + session->tokens.vfwebqq + "&t=" + TimeStamp();
  request.cookie = BuildCookieStringB(session->jar);
  request.cancellation = StopCancellation();
  return PerformHttpRequest(request);
}

std::string WebQQClient::GetOwnLongNick() const {
  const std::shared_ptr<const ClientSession> session = CurrentSession();
  HttpRequest request;
  request.url = addresses_.api + "/api/get_single_long_nick2?tuin=" + GetAccountProfile().qq +
                "&vfwebqq=" + session->tokens.vfwebqq + "&t=" + TimeStamp();
  request.cookie = BuildCookieStringB(session->jar);
  request.cancellation = StopCancellation();
  return TextBetween(Utf8ToLocal(PerformHttpRequest(request)), "\"lnick\":\"", "\"");
}
