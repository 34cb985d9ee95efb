// The poll chains. Each successful Login2 starts five chains on the session it published;
// each chain is one thread that long-polls in a loop and hands the events of every reply to
// the handlers. Starting new chains retires the older ones: their request in flight is
// abandoned and they end at once, so a run of reconnects never piles up chains. A finished
// chain's thread is joined by the next StartPolling or by Stop.
//
// Pacing: while online the next poll follows at once. A cycle that ends within a second
// without an event (refused connection, an error answer) waits 1 s, then 2, 4 ... up to 30 s,
// until a reply with retcode 0 or 102 comes. While offline a chain checks every 500 ms.
#include <algorithm>
#include <chrono>

#include "webqq/WebQQClient.h"
#include "webqq/transport/HttpTransport.h"
#include "zuvo/platform/Clock.h"

namespace {

constexpr int kChainsPerSession = 5;
constexpr int kPollTimeoutSeconds = 65;
constexpr int64_t kOnlineCheckMilliseconds = 500;
constexpr int64_t kQuickCycleMilliseconds = 1000;
constexpr int64_t kFirstBackoffMilliseconds = 1000;
constexpr int64_t kLongestBackoffMilliseconds = 30000;

std::string PollBody(const LoginTokens& tokens) {
  return "r=%7B%22clientid%22%3A%22" + tokens.clientid + "%22%2C%22psessionid%22%3A%22" +
         tokens.psessionid + "%22%2C%22key%22%3A0%2C%22ids%22%3A%5B%5D%7D&clientid=" +
         tokens.clientid + "&psessionid=" + tokens.psessionid;
}

}  // namespace

// What every chain of one session polls with, fixed when the chains start.
struct WebQQClient::PollGeneration {
  uint64_t id = 0;
  HttpRequest request;
  std::shared_ptr<HttpCancellation> cancellation;
};

struct WebQQClient::ChainThread {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> finished;
};

struct WebQQClient::CycleOutcome {
  bool resetBackoff = false;  // retcode 0 or 102: the service is answering normally
  bool delivered = false;     // an event reached the handlers
};

WebQQClient::WebQQClient(const ServiceAddresses& addresses)
    : addresses_(addresses),
      session_(std::make_shared<const ClientSession>()),
      handlers_(std::make_shared<const EventHandlers>()) {}

WebQQClient::~WebQQClient() { Stop(); }

void WebQQClient::StartPolling() {
  const std::shared_ptr<const ClientSession> session = CurrentSession();
  auto generation = std::make_shared<PollGeneration>();
  generation->request.url = addresses_.channel + "/channel/poll2";
  generation->request.method = "POST";
  generation->request.bodyText = PollBody(session->tokens);
  generation->request.cookie = BuildCookieStringB(session->jar);
  generation->request.timeoutSeconds = kPollTimeoutSeconds;
  generation->cancellation = std::make_shared<HttpCancellation>();
  generation->request.cancellation = generation->cancellation.get();

  std::lock_guard<std::mutex> lock(chainsMutex_);
  if (stopped_) return;
  ReapFinishedChains();
  if (pollCancellation_) pollCancellation_->Cancel();
  pollCancellation_ = generation->cancellation;
  {
    std::lock_guard<std::mutex> wake(wakeMutex_);
    generation->id = ++generation_;
  }
  wakeChains_.notify_all();
  std::shared_ptr<const PollGeneration> fixed = generation;
  for (int i = 0; i < kChainsPerSession; ++i) {
    ChainThread chain;
    chain.finished = std::make_shared<std::atomic<bool>>(false);
    chain.thread = std::thread([this, fixed, finished = chain.finished] {
      RunPollChain(fixed);
      *finished = true;
    });
    chains_.push_back(std::move(chain));
  }
}

void WebQQClient::Stop() {
  std::vector<ChainThread> chains;
  {
    std::lock_guard<std::mutex> lock(chainsMutex_);
    {
      std::lock_guard<std::mutex> wake(wakeMutex_);
      stopped_ = true;
    }
    stopCancellation_.Cancel();
    if (pollCancellation_) pollCancellation_->Cancel();
    chains.swap(chains_);
  }
  wakeChains_.notify_all();
  for (ChainThread& chain : chains) {
    // Only a handler that stops its own client gets here with its own thread.
    if (chain.thread.get_id() == std::this_thread::get_id()) chain.thread.detach();
    else chain.thread.join();
  }
}

size_t WebQQClient::RunningPollChains() {
  std::lock_guard<std::mutex> lock(chainsMutex_);
  size_t running = 0;
  for (const ChainThread& chain : chains_) running += !*chain.finished;
  return running;
}

void WebQQClient::ReapFinishedChains() {
  const std::thread::id self = std::this_thread::get_id();
  auto finished = [self](ChainThread& chain) {
    if (!*chain.finished || chain.thread.get_id() == self) return false;
    chain.thread.join();
    return true;
  };
  chains_.erase(std::remove_if(chains_.begin(), chains_.end(), finished), chains_.end());
}

bool WebQQClient::ChainShouldRun(const PollGeneration& generation) const {
  return !stopped_ && generation.id == generation_;
}

void WebQQClient::ChainWait(const PollGeneration& generation, int64_t milliseconds,
                            const std::function<bool()>& wakeEarly) {
  std::unique_lock<std::mutex> lock(wakeMutex_);
  wakeChains_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                       [&] { return !ChainShouldRun(generation) || wakeEarly(); });
}

void WebQQClient::RunPollChain(std::shared_ptr<const PollGeneration> generation) {
  int64_t backoff = 0;
  while (ChainShouldRun(*generation)) {
    const int64_t started = SteadyMilliseconds();
    // A reply to a poll sent while online is handled even when another chain's lost-login
    // answer came first: it may carry the kick notice that explains it.
    const bool onlineWhenSent = online_;
    const std::string reply = PerformHttpRequest(generation->request);
    if (stopped_) break;
    CycleOutcome outcome;
    if (!reply.empty() && onlineWhenSent) outcome = ProcessPollReply(reply);  // else dropped
    if (!online_) {
      while (!online_ && ChainShouldRun(*generation)) {
        ChainWait(*generation, kOnlineCheckMilliseconds, [this] { return online_.load(); });
      }
      continue;
    }
    if (outcome.resetBackoff) {
      backoff = 0;
    } else if (!outcome.delivered && SteadyMilliseconds() - started < kQuickCycleMilliseconds) {
      backoff = backoff == 0 ? kFirstBackoffMilliseconds : std::min(backoff * 2, kLongestBackoffMilliseconds);
      ChainWait(*generation, backoff, [] { return false; });
    }
  }
}

WebQQClient::CycleOutcome WebQQClient::ProcessPollReply(const std::string& reply) {
  const PollReply decoded = DecodePollReply(reply);
  const std::shared_ptr<const EventHandlers> handlers = CurrentHandlers();
  CycleOutcome outcome;
  outcome.resetBackoff = decoded.retcode == "0" || decoded.retcode == "102";
  if (decoded.retcode == "121") {
    online_ = false;  // before the handler, which may reconnect on this thread
    if (handlers->onStatus && !stopped_) handlers->onStatus(StatusNotice{121, reply});
    outcome.delivered = true;
    return outcome;
  }
  for (const PollEvent& event : decoded.events) {
    if (stopped_) break;
    if (!recentMessages_.RememberIfNew(event)) continue;
    DeliverEvent(event, *handlers);
    outcome.delivered = true;
  }
  return outcome;
}

void WebQQClient::DeliverEvent(const PollEvent& event, const EventHandlers& handlers) {
  switch (event.type) {
    case PollEventType::Chat:
      if (handlers.onChat) handlers.onChat(event.chat);
      break;
    case PollEventType::System:
      if (handlers.onSystem) handlers.onSystem(event.system);
      break;
    case PollEventType::Kick:
      if (handlers.onStatus) handlers.onStatus(StatusNotice{0, event.kickReason});
      break;
  }
}
