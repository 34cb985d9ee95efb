// Sending messages and window shakes, and the temporary-session signature they need.
#include "webqq/MessageText.h"
#include "webqq/WebQQClient.h"
#include "webqq/transport/HttpTransport.h"
#include "webqq/transport/TextCodec.h"

namespace {

bool Accepted(const std::string& reply) { return reply.find("\"ok\"") != std::string::npos; }

}  // namespace

std::string WebQQClient::ChannelCall(const std::string& pathAndQuery, const std::string& body, int timeoutSeconds,
                                     const std::string& base) const {
  const std::shared_ptr<const ClientSession> session = CurrentSession();
  HttpRequest request;
  request.url = (base.empty() ? addresses_.channel : base) + pathAndQuery;
  if (!body.empty()) {
    request.method = "POST";
    request.bodyText = body;
  }
  request.cookie = BuildCookieStringB(session->jar);
  request.timeoutSeconds = timeoutSeconds;
  request.cancellation = StopCancellation();
  return PerformHttpRequest(request);
}

bool WebQQClient::SendMessage(int32_t kind, const std::string& target, const std::string& text, ChatFont& font,
                              const std::string& groupId) {
  if (kind < 0 || kind > 3) return false;
  ApplyFontDefaults(&font);
  const std::shared_ptr<const ClientSession> session = CurrentSession();
  const std::string signature = kind == 2 ? GetSessionSignature(groupId, target) : std::string();
  std::string path, body;
  SendTokens tokens{session->tokens.clientid, session->tokens.psessionid};
  if (!BuildSendRequest(kind, target, text, font, signature, tokens, &path, &body)) return false;
  return Accepted(ChannelCall(path, body));
}

std::string WebQQClient::GetSessionSignature(const std::string& groupId, const std::string& toUin) const {
  const LoginTokens& tokens = CurrentSession()->tokens;
  const std::string reply = ChannelCall("/channel/get_c2cmsg_sig2?id=" + groupId + "&to_uin=" + toUin +
                                        "&service_type=0&clientid=" + tokens.clientid +
                                        "&psessionid=" + tokens.psessionid + "&t=" + TimeStamp());
  return TextBetween(reply, "\"value\":\"", "\"");
}

bool WebQQClient::Shake(const std::string& uin) {
  const LoginTokens& tokens = CurrentSession()->tokens;
  return Accepted(ChannelCall("/channel/shake2?to_uin=" + uin + "&clientid=" + tokens.clientid +
                              "&psessionid=" + tokens.psessionid + "&t=" + TimeStamp()));
}
