// The login handshake: login page signature, check, captcha, password hash, the login and
// its redirect, then the channel login that yields the session tokens. The next session is
// built aside and published whole, so poll, send and API calls on other threads keep using
// a consistent one until the new login is complete.
#include <cmath>
#include <cstdlib>

#include "webqq/WebQQClient.h"
#include "webqq/transport/HttpTransport.h"
#include "webqq/transport/Md5.h"
#include "webqq/transport/PasswordScramble.h"
#include "webqq/transport/TextCodec.h"
#include "zuvo/platform/Clock.h"
#include "zuvo/platform/Text.h"

namespace {

const char kLoginSucceeded[] = "登录成功!";
const char kCancelled[] = "取消";

const char* const kStatusNames[] = {"online", "callme", "away", "busy", "silent", "hidden", "offline"};

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> items;
  int64_t start = 1;
  while (true) {
    const int64_t at = FindText(text, separator, start);
    if (at < 0) break;
    items.emplace_back(text.substr(size_t(start - 1), size_t(at - start)));
    start = at + int64_t(separator.size());
  }
  items.emplace_back(text.substr(size_t(start - 1)));
  return items;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return out;
}

uint64_t NumberValue(std::string_view digits) {
  uint64_t value = 0;
  for (char c : digits) {
    if (c >= '0' && c <= '9') value = value * 10 + uint64_t(c - '0');
  }
  return value;
}

std::string Get(const std::string& url, const std::string& cookie, HttpCancellation* cancellation,
                std::string* receivedCookies = nullptr, bool noRedirect = false) {
  HttpRequest request;
  request.url = url;
  request.cookie = cookie;
  request.noRedirect = noRedirect;
  request.cancellation = cancellation;
  return PerformHttpRequest(request, receivedCookies);
}

}  // namespace

const char* StatusName(int32_t code) {
  return code >= 0 && code <= kStatusOffline ? kStatusNames[code] : kStatusNames[kStatusOnline];
}

std::string PasswordHash(std::string_view qq, std::string_view password, std::string_view code) {
  std::string passwordBytes;
  for (char16_t unit : GbkToUtf16(password)) passwordBytes.push_back(char(unit & 0xFF));
  std::string numberBytes(8, '\0');
  const uint64_t number = NumberValue(qq);
  for (int i = 0; i < 8; ++i) numberBytes[size_t(7 - i)] = char((number >> (8 * i)) & 0xFF);
  const std::string h2 = ToHexUpper(Md5(Md5(passwordBytes) + numberBytes));
  return ToHexUpper(Md5(h2 + UpperAscii(code)));
}

std::string ActionValue() {
  return std::to_string(RandomBetween(1, 8)) + "-" + std::to_string(RandomBetween(1, 20)) + "-" +
         std::to_string(RandomBetween(10000, 30000));
}

std::string BuildLogin2Body(int32_t status, std::string_view ptwebqq, std::string_view clientid) {
  std::string body = "r=%7B%22status%22%3A%22";
  body.append(StatusName(status)).append("%22%2C%22ptwebqq%22%3A%22").append(ptwebqq);
  body.append("%22%2C%22passwd_sig%22%3A%22%22%2C%22clientid%22%3A%22").append(clientid);
  body.append("%22%2C%22psessionid%22%3Anull%7D&clientid=").append(clientid);
  return body.append("&psessionid=null");
}

void AddPgvPvidCookie(CookieJar& jar) {
  const float fraction = std::strtof(("0." + RandomDigits(16)).c_str(), nullptr);
  const int64_t scaled = std::llround(double(fraction) * 2147483647.0);
  const int64_t value = (scaled * RandomBetween(0, 999)) % 10000000000LL;
  jar.pairs.push_back({" pgv_pvid", std::to_string(value)});
}

LoginReply ParseLoginReply(std::string_view reply) {
  LoginReply parsed;
  parsed.message = TextBetween(reply, "'0','','0','", "',");
  if (FindText(reply, "登录成功") < 0) return parsed;
  parsed.succeeded = true;
  parsed.message = kLoginSucceeded;
  parsed.nick = TextBetween(reply, "', '", "')");
  const std::vector<std::string> parts = SplitText(reply, "','");
  // Only a real address: a short reply's third field may be the text itself.
  if (parts.size() >= 3 && (parts[2].rfind("http://", 0) == 0 || parts[2].rfind("https://", 0) == 0)) {
    parsed.redirectAddress = parts[2];
  }
  return parsed;
}

std::string WebQQClient::FetchLoginSig() const {
  const std::string url = addresses_.loginPage +
      "/cgi-bin/login?daid=164&target=self&style=5&mibao_css=m_webqq&appid=1003903&enable_qlogin=0"
      "&no_verifyimg=1&s_url=" + UrlEncode(kLoginProxyPage) +
      "&f_url=loginerroralert&strong_login=1&login_state=10&t=20140612002";
  const std::string page = Get(url, "", StopCancellation());
  return TextBetween(page, "var g_login_sig=encodeURIComponent(\"", "\");");
}

std::string WebQQClient::BuildCheckAddress(const std::string& qq) const {
  return addresses_.login + "/check?uin=" + qq + "&appid=1003903&js_ver=10082&js_type=0&login_sig=" +
         FetchLoginSig() + "&u1=" + UrlEncode(kLoginProxyPage) + "&r=0." + RandomDigits(16);
}

std::string WebQQClient::Check(const std::string& qq, CookieJar& jar) const {
  std::string cookies;
  const std::string reply = Get(BuildCheckAddress(qq), "", StopCancellation(), &cookies);
  const std::vector<std::string> items = SplitText(TextBetween(reply, "ptui_checkVC(", ");"), ",");
  if (items.size() < 2) return "";
  jar.pairs.push_back({"VerifyFlag", cookies});
  return TextBetween(items[1], "'", "'");
}

// The same address, random part included, serves every new picture the user asks for.
std::string WebQQClient::AskCaptcha(const std::string& qq, const std::string& key,
                                    std::string* cookies) const {
  const std::string address = addresses_.captcha + "/getimage?&uin=" + qq + "&aid=1002101&0." +
                              RandomDigits(16) + "&cap_cd=" + key;
  while (captchaPrompt_ && !stopCancellation_.IsCancelled()) {
    cookies->clear();
    const std::string picture = Get(address, "", StopCancellation(), cookies);
    const CaptchaAnswer answer = captchaPrompt_->Ask(qq, picture);
    if (answer.kind == CaptchaAnswer::Kind::NewPicture) continue;
    if (answer.kind == CaptchaAnswer::Kind::Cancel) break;
    std::string code;
    for (char c : answer.code) {
      if (c != ' ') code.push_back(c);  // the entry box swallows blanks
    }
    return code;
  }
  return "";
}

std::string WebQQClient::BuildLoginAddress(const std::string& qq, const std::string& password,
                                           ClientSession& pending) const {
  std::string code = Check(qq, pending.jar);
  if (code.size() > 4) {  // a captcha key rather than the code itself
    std::string pictureCookies;
    const std::string typed = AskCaptcha(qq, code, &pictureCookies);
    SetCookie(pending.jar, "VerifyPic", pictureCookies);
    if (typed.empty()) return kCancelled;
    code = typed;
  }
  if (code.empty()) return "";
  const std::string hash = PasswordHash(qq, password, code);
  const std::string sig = UrlEncode(FetchLoginSig());
  std::string& loginCookie = pending.tokens.loginCookie;
  loginCookie = GetCookie(pending.jar, "VerifyFlag") + GetCookie(pending.jar, "VerifyPic");
  if (!loginCookie.empty()) loginCookie.pop_back();
  return addresses_.login + "/login?u=" + qq + "&p=" + hash + "&verifycode=" + code +
         "&webqq_type=10&remember_uin=1&login2qq=1&aid=1003903&u1=" +
         UrlEncode(std::string(kLoginProxyPage) + "?login2qq=1&webqq_type=10") +
         "&h=1&ptredirect=0&ptlang=2052&daid=164&from_ui=1&pttype=1&dumy=&fp=loginerroralert"
         "&action=" + ActionValue() + "&mibao_css=m_webqq&t=1&g=1&js_type=0&js_ver=10083"
         "&login_sig=" + sig + "&pt_uistyle=5";
}

std::string WebQQClient::Login(const std::string& qq, const std::string& password) {
  std::lock_guard<std::mutex> lock(operationMutex_);
  return LoginLocked(qq, password);
}

std::string WebQQClient::LoginLocked(const std::string& qq, const std::string& password) {
  auto pending = std::make_shared<ClientSession>();
  pending->tokens = CurrentSession()->tokens;  // the channel tokens stay until the next Login2
  LoginTokens& tokens = pending->tokens;
  tokens.loginCookie.clear();
  const std::string address = BuildLoginAddress(qq, password, *pending);
  if (address == kCancelled || address.empty()) return address;

  const std::string body = Get(address, tokens.loginCookie, StopCancellation(), &tokens.loginReplyCookies);
  const LoginReply reply = ParseLoginReply(Utf8ToLocal(body));
  if (!reply.succeeded) return reply.message;
  // Without the redirect there are no channel cookies: not a login that could go on.
  if (reply.redirectAddress.empty()) return "";

  ParseCookieText(pending->jar, tokens.loginReplyCookies);
  Get(reply.redirectAddress, BuildCookieStringA(pending->jar), StopCancellation(), &tokens.redirectCookies,
      true);
  ParseCookieText(pending->jar, tokens.redirectCookies);
  AddPgvPvidCookie(pending->jar);
  PublishSession(pending);

  AccountProfile profile;
  profile.qq = qq;
  profile.password = ScramblePassword(password);
  profile.nick = reply.nick;
  {
    std::lock_guard<std::mutex> profileLock(profileMutex_);
    profile_ = profile;
  }
  profile.avatar = FetchOwnAvatar();
  profile.longNick = GetOwnLongNick();
  std::lock_guard<std::mutex> profileLock(profileMutex_);
  profile_ = profile;
  return kLoginSucceeded;
}

bool WebQQClient::Login2(int32_t status) {
  std::lock_guard<std::mutex> lock(operationMutex_);
  return Login2Locked(status);
}

bool WebQQClient::Login2Locked(int32_t status) {
  const std::shared_ptr<const ClientSession> current = CurrentSession();
  const std::string clientid = RandomDigits(7, 8);
  HttpRequest request;
  request.url = addresses_.channel + "/channel/login2";
  request.method = "POST";
  request.bodyText = BuildLogin2Body(status, GetCookie(current->jar, " ptwebqq"), clientid);
  request.cookie = BuildCookieStringB(current->jar);
  request.cancellation = StopCancellation();
  const std::string reply = PerformHttpRequest(request);
  const std::string vfwebqq = TextBetween(reply, "\"vfwebqq\":\"", "\"");
  const std::string psessionid = TextBetween(reply, "\"psessionid\":\"", "\"");
  if (vfwebqq.empty() || psessionid.empty()) return false;

  auto next = std::make_shared<ClientSession>(*current);
  next->tokens.clientid = clientid;
  next->tokens.vfwebqq = vfwebqq;
  next->tokens.psessionid = psessionid;
  PublishSession(next);
  status_ = status;
  online_ = true;
  StartPolling();
  return true;
}

void WebQQClient::Logout() {
  std::lock_guard<std::mutex> lock(operationMutex_);
  online_ = false;
  status_ = kStatusOffline;
  const std::shared_ptr<const ClientSession> session = CurrentSession();
  Get(addresses_.channel + "/channel/logout2?clientid=" + session->tokens.clientid +
          "&psessionid=" + session->tokens.psessionid + "&t" + TimeStamp(),
      BuildCookieStringB(session->jar), StopCancellation());
}

void WebQQClient::ChangeStatus(int32_t status) {
  std::lock_guard<std::mutex> lock(operationMutex_);
  if (!online_) {
    Login2Locked(status);
    return;
  }
  const std::shared_ptr<const ClientSession> session = CurrentSession();
  Get(addresses_.channel + "/channel/change_status2?newstatus=" + StatusName(status) +
          "&clientid=" + session->tokens.clientid + "&psessionid=" + session->tokens.psessionid +
          "&t=" + TimeStamp(),
      BuildCookieStringB(session->jar), StopCancellation());
  if (status == kStatusOffline) online_ = false;
  status_ = status;
}

int32_t WebQQClient::Reconnect(std::string* message) {
  std::lock_guard<std::mutex> lock(operationMutex_);
  std::string text = kLoginSucceeded;
  if (!online_ && !Login2Locked(status_)) {
    const AccountProfile profile = GetAccountProfile();
    text = LoginLocked(profile.qq, UnscramblePassword(profile.password));
    Login2Locked(status_);
  }
  if (message) *message = text;
  return status_;
}

AccountProfile WebQQClient::GetAccountProfile() const {
  std::lock_guard<std::mutex> lock(profileMutex_);
  return profile_;
}
