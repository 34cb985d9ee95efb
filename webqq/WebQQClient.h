// The WebQQ client: login handshake, channel session, status and the long-poll chains that
// hand events to the robot engine. One object for the running program.
//
// Threads: Login, Login2, Logout, ChangeStatus and Reconnect may be called from any thread
// (the window thread, or a poll thread inside the status handler); they run one at a time.
// CurrentSession, GetStatus, IsOnline and GetAccountProfile are cheap and safe from any
// thread. Handlers run on poll threads with no lock of the client held.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "webqq/ChatFont.h"
#include "webqq/ContactLists.h"
#include "webqq/Events.h"
#include "webqq/PollDecoder.h"
#include "webqq/transport/CookieJar.h"
#include "webqq/transport/ServiceAddresses.h"
#include "zuvo/platform/Http.h"

struct AccountProfile {
  std::string qq;        // as typed
  std::string password;  // scrambled (ScramblePassword)
  std::string avatar;    // picture bytes as served
  std::string nick;
  std::string longNick;
};

struct LoginTokens {
  std::string loginCookie;        // the Cookie value of the login request
  std::string loginReplyCookies;  // cookies set by the login reply
  std::string redirectCookies;    // cookies set by its redirect
  std::string clientid;           // 7 or 8 digits, new at every Login2
  std::string psessionid;
  std::string vfwebqq;
};

// Tokens and cookies of one login, never changed once published: a login builds the next one
// aside and swaps it in whole, so readers on other threads always see a matching pair.
struct ClientSession {
  LoginTokens tokens;
  CookieJar jar;
};

enum StatusCode : int32_t {
  kStatusOnline = 0,
  kStatusCallMe = 1,
  kStatusAway = 2,
  kStatusBusy = 3,
  kStatusSilent = 4,
  kStatusHidden = 5,
  kStatusOffline = 6,
};

// The protocol name of a status code; any unknown code is "online".
const char* StatusName(int32_t code);

using ChatHandler = std::function<void(const ChatEvent&)>;
using StatusHandler = std::function<void(const StatusNotice&)>;
using SystemHandler = std::function<void(const SystemNotice&)>;

struct EventHandlers {
  ChatHandler onChat;      // each may be empty: its events are then dropped
  StatusHandler onStatus;
  SystemHandler onSystem;
};

// What the user did with a captcha picture.
struct CaptchaAnswer {
  enum class Kind { Code, NewPicture, Cancel };
  Kind kind = Kind::Cancel;
  std::string code;  // Kind::Code; empty counts as cancelled
};

// The captcha entry window (or console, or a test fake). Called on the thread of Login.
class CaptchaPrompt {
 public:
  virtual ~CaptchaPrompt() = default;
  virtual CaptchaAnswer Ask(const std::string& qq, const std::string& picture) = 0;
};

// Login steps without state, public for their tests.
// 32 upper-case hex digits: MD5(upper-hex MD5(MD5(password) + qq as 8 bytes big-endian) +
// code upper-cased); the password taken one byte per UTF-16 code unit, as the web client does.
std::string PasswordHash(std::string_view qq, std::string_view password, std::string_view code);
// Three random numbers "1..8-1..20-10000..30000".
std::string ActionValue();
std::string BuildLogin2Body(int32_t status, std::string_view ptwebqq, std::string_view clientid);
// Appends the pair " pgv_pvid" = a random number below 10^10.
void AddPgvPvidCookie(CookieJar& jar);

// The fields of a login reply (ptuiCB(...) converted to GBK).
struct LoginReply {
  bool succeeded = false;        // it says "登录成功"
  std::string message;           // the failure text; "登录成功!" on success
  std::string nick;              // success: the last field
  std::string redirectAddress;   // success: the third field, empty when the reply has none
};
LoginReply ParseLoginReply(std::string_view reply);

class WebQQClient {
 public:
  explicit WebQQClient(const ServiceAddresses& addresses);
  ~WebQQClient();  // runs Stop
  WebQQClient(const WebQQClient&) = delete;
  WebQQClient& operator=(const WebQQClient&) = delete;

  // Not owned; must outlive every Login. Without a prompt a captcha counts as cancelled.
  void SetCaptchaPrompt(CaptchaPrompt* prompt);
  void SetEventHandlers(EventHandlers handlers);

  // "登录成功!"; "取消" when the captcha was cancelled; else the service's failure text, or ""
  // when no usable reply came. A failed login leaves the previous session in place.
  std::string Login(const std::string& qq, const std::string& password);
  // Channel login with that status: true when both tokens came; polling then runs (five
  // chains of this session; the chains of earlier sessions end).
  bool Login2(int32_t status);
  void Logout();
  // While online: the service is told, 6 clears the online flag. While not: Login2.
  void ChangeStatus(int32_t status);
  // Back online after the service dropped the login: Login2, else a full Login and Login2.
  int32_t Reconnect(std::string* message);
  int32_t GetStatus() const { return status_; }
  bool IsOnline() const { return online_; }
  AccountProfile GetAccountProfile() const;

  // Ends every poll chain within about a second and joins its thread: no handler runs after
  // it returns. Requests of other operations still in flight fail. Final: polling does not
  // start again. Not to be called from a handler.
  void Stop();

  // The published tokens and cookies; never null.
  std::shared_ptr<const ClientSession> CurrentSession() const;
  std::string CookieStringB() const;
  const ServiceAddresses& Addresses() const { return addresses_; }

  // Login steps.
  std::string FetchLoginSig() const;
  std::string BuildCheckAddress(const std::string& qq) const;
  // The verify code or captcha key; appends ("VerifyFlag", the check's cookies) to `jar`.
  std::string Check(const std::string& qq, CookieJar& jar) const;
  // The login address, "取消" when the captcha was cancelled, "" without a code. Fills the
  // captcha cookies ("VerifyPic") into `pending.jar` and `pending.tokens.loginCookie`.
  std::string BuildLoginAddress(const std::string& qq, const std::string& password,
                                ClientSession& pending) const;
  // The user's captcha code and the picture's cookies; an empty code means cancelled.
  std::string AskCaptcha(const std::string& qq, const std::string& key, std::string* cookies) const;

  // Own profile (Profile.cpp), with the published session.
  std::string FetchOwnAvatar() const;
  std::string GetOwnLongNick() const;
  void SetOwnLongNick(const std::string& text);

  // Sending (Messaging.cpp). True when the service answered "ok". Kind 0 friend (target a
  // uin), 1 group (its gid), 2 temporary session (the person's uin; groupId the group it came
  // through), 3 discussion (its did); any other kind sends nothing. An empty font name and
  // size 0 become "宋体" and 9 in the caller's record.
  bool SendMessage(int32_t kind, const std::string& target, const std::string& text, ChatFont& font,
                   const std::string& groupId);
  bool Shake(const std::string& uin);
  // The group_sig of a temporary session, fetched afresh for every message.
  std::string GetSessionSignature(const std::string& groupId, const std::string& toUin) const;

  // Contact lists and lookups (Contacts.cpp). A load that gets no reply returns false and
  // leaves the lists as they were.
  bool LoadFriends(std::vector<FriendEntry>* friends, std::vector<FriendCategory>* categories);
  bool LoadGroups(std::vector<GroupEntry>* groups);
  bool LoadDiscussions(std::vector<DiscussionEntry>* discussions);
  // Kind 0: the QQ number of a uin; 1 and 2: the group number of a group code; any other
  // kind: the id itself. Answers come from UinBook when it knows the id, else from the
  // service, and are remembered there ("" when the service gave none).
  std::string LookupQQNumber(int32_t kind, const std::string& id);
  // Kind 0: the nick; 1: country, province and city run together; else the whole reply.
  std::string GetStrangerInfo(int32_t kind, const std::string& uin);

  // Friend requests (FriendRequests.cpp): 1 accept and add to `category` under `remark`,
  // 2 accept, 3 refuse with `reason`. The reply text; "" for another action, nothing sent.
  std::string ReplyFriendRequest(int32_t action, const std::string& account, const std::string& remark,
                                 int32_t category, const std::string& reason);

  // Starts the five chains of the published session; called by Login2.
  void StartPolling();
  // Chains whose thread has not ended yet (those of the newest session, and retired ones
  // still finishing their last request).
  size_t RunningPollChains();

 private:
  struct PollGeneration;
  struct ChainThread;
  struct CycleOutcome;

  std::string LoginLocked(const std::string& qq, const std::string& password);
  bool Login2Locked(int32_t status);
  void PublishSession(std::shared_ptr<const ClientSession> session);
  HttpCancellation* StopCancellation() const { return &stopCancellation_; }

  void RunPollChain(std::shared_ptr<const PollGeneration> generation);
  CycleOutcome ProcessPollReply(const std::string& reply);
  void DeliverEvent(const PollEvent& event, const EventHandlers& handlers);
  bool ChainShouldRun(const PollGeneration& generation) const;
  // Sleeps up to `milliseconds`, or until the chain has to end or `wakeEarly` holds.
  void ChainWait(const PollGeneration& generation, int64_t milliseconds,
                 const std::function<bool()>& wakeEarly);
  void ReapFinishedChains();  // with chainsMutex_ held
  std::shared_ptr<const EventHandlers> CurrentHandlers() const;

  // One request to the channel server (or `base`) with cookie string B: a GET, or a POST
  // when `body` is not empty.
  std::string ChannelCall(const std::string& pathAndQuery, const std::string& body = "", int timeoutSeconds = 0,
                          const std::string& base = "") const;
  std::string ApiCall(const std::string& pathAndQuery, const std::string& body = "", int timeoutSeconds = 0) const;
  std::string ListHash() const;
  NumberLookup Lookup();

  const ServiceAddresses addresses_;
  CaptchaPrompt* captchaPrompt_ = nullptr;

  mutable std::mutex sessionMutex_;
  std::shared_ptr<const ClientSession> session_;  // guarded by sessionMutex_

  mutable std::mutex profileMutex_;
  AccountProfile profile_;  // guarded by profileMutex_

  mutable std::mutex handlersMutex_;
  std::shared_ptr<const EventHandlers> handlers_;  // guarded by handlersMutex_

  std::mutex operationMutex_;  // one login, status or logout operation at a time
  std::atomic<bool> online_{false};
  std::atomic<int32_t> status_{kStatusOnline};

  mutable HttpCancellation stopCancellation_;
  std::atomic<bool> stopped_{false};
  std::atomic<uint64_t> generation_{0};
  std::mutex chainsMutex_;
  std::vector<ChainThread> chains_;                     // guarded by chainsMutex_
  std::shared_ptr<HttpCancellation> pollCancellation_;  // of the newest chains; chainsMutex_
  std::mutex wakeMutex_;
  std::condition_variable wakeChains_;
  RecentMessages recentMessages_;
};
