// The client's shared state: the published session, the profile and the handlers, each a
// snapshot swapped whole under a small lock so that readers stay cheap.
#include "webqq/WebQQClient.h"

#include "webqq/transport/CookieJar.h"

void WebQQClient::SetCaptchaPrompt(CaptchaPrompt* prompt) {
  std::lock_guard<std::mutex> lock(operationMutex_);
  captchaPrompt_ = prompt;
}

void WebQQClient::SetEventHandlers(EventHandlers handlers) {
  auto next = std::make_shared<const EventHandlers>(std::move(handlers));
  std::lock_guard<std::mutex> lock(handlersMutex_);
  handlers_ = std::move(next);
}

std::shared_ptr<const EventHandlers> WebQQClient::CurrentHandlers() const {
  std::lock_guard<std::mutex> lock(handlersMutex_);
  return handlers_;
}

std::shared_ptr<const ClientSession> WebQQClient::CurrentSession() const {
  std::lock_guard<std::mutex> lock(sessionMutex_);
  return session_;
}

void WebQQClient::PublishSession(std::shared_ptr<const ClientSession> session) {
  std::lock_guard<std::mutex> lock(sessionMutex_);
  session_ = std::move(session);
}

std::string WebQQClient::CookieStringB() const { return BuildCookieStringB(CurrentSession()->jar); }
