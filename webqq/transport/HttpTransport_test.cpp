#include "webqq/transport/HttpTransport.h"

#include <gtest/gtest.h>

#include "SimControl.h"
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/Http.h"

namespace {

TEST(HttpTransport, TimeOutRule) {
  struct Case { int seconds; int milliseconds; };
  const Case cases[] = {{0, 15000}, {-1, -1}, {-2, 15000}, {1, 1000}, {65, 65000}, {20, 20000},
                        {2147483647, 2147483647}};
  for (const Case& c : cases) EXPECT_EQ(HttpTimeoutMilliseconds(c.seconds), c.milliseconds) << c.seconds;
  EXPECT_EQ(HttpRequest().timeoutSeconds, 0);  // an omitted time-out is the 15-second one
}

TEST(HttpTransport, ReceivedCookiesFollowTheSetCookieLines) {
  struct Case { const char* headers; const char* cookies; };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; PATH=/\r\nSet-Cookie: b=2; DOMAIN=qq.com\r\n", "a=1; b=2; "},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: lonely=1\r\n", "; "},  // no ";" after the value
      {"HTTP/1.1 200 OK\r\nSet-Cookie:   spaced=1  ; x\r\n", "spaced=1; "},
      {"HTTP/1.1 200 OK\r\nset-cookie: lower=1; x\r\n", ""},  // the line test is exact in case
      {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CookiesFromHeaders(c.headers), c.cookies) << c.headers;
}

TEST(HttpTransport, NoAnswerGivesEmptyBodyAndCookies) {
  std::string cookies = "stale";
  HttpRequest request;
  request.url = "http://127.0.0.1:1/nothing-listens-here";
  request.timeoutSeconds = 2;
  EXPECT_EQ(PerformHttpRequest(request, &cookies), "");
  EXPECT_EQ(cookies, "");
  request.url = "not an address";
  EXPECT_EQ(PerformHttpRequest(request), "");
}

}  // namespace

namespace {

JsonValue LastRequestTo(const JsonValue& log, const std::string& path) {
  for (size_t i = log.size(); i-- > 0;) {
    if (log[i]["path"].text == path) return log[i];
  }
  return JsonValue();
}

// The value of the first header line of that name, and how many lines carry it.
std::pair<std::string, int> HeaderLine(const JsonValue& record, const std::string& name) {
  std::pair<std::string, int> found{"", 0};
  const JsonValue& lines = record["header_lines"];
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i][0].text != name) continue;
    if (found.second++ == 0) found.first = lines[i][1].text;
  }
  return found;
}

class HttpTransportSim : public testing::Test {
 protected:
  void SetUp() override {
    base = SimBaseUrl();
    if (base.empty()) GTEST_FAIL() << "ZUVO_SIM_URL is not set: run through tools/with-sim";
    SimPost("/__sim/reset", "{}");
  }
  std::string base;
};

TEST_F(HttpTransportSim, MethodAndTheFixedHeaderBlockOnEveryRequest) {
  struct Case { const char* method; const char* body; const char* cookie; const char* sentMethod; };
  const Case cases[] = {
      {"post", "r=%7B%7D&clientid=1", "pt2gguin=o1; uin=o1", "POST"},
      {"", "", "", "GET"},
      {"get", "", "a=b", "GET"},
  };
  for (const Case& c : cases) {
    HttpRequest request;
    request.url = base + "/probe?x=1&y=%E5%AE%8B";
    request.method = c.method;
    request.bodyText = c.body;
    request.cookie = c.cookie;
    PerformHttpRequest(request);
    JsonValue record = LastRequestTo(SimGet("/__sim/requests?path=/probe"), "/probe");
    SCOPED_TRACE(std::string("method \"") + c.method + "\"");
    EXPECT_EQ(record["method"].text, c.sentMethod);
    EXPECT_EQ(record["query"].text, "x=1&y=%E5%AE%8B");
    EXPECT_EQ(record["body"].text, c.body);
    EXPECT_EQ(HeaderLine(record, "Referer"), std::make_pair(request.url, 1));
    EXPECT_EQ(HeaderLine(record, "Accept"), std::make_pair(std::string("*/*"), 1));
    EXPECT_EQ(HeaderLine(record, "Accept-Language"), std::make_pair(std::string("zh-cn"), 1));
    EXPECT_EQ(HeaderLine(record, "User-Agent").first, "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)");
    EXPECT_EQ(HeaderLine(record, "Content-Type").first, "application/x-www-form-urlencoded");
    EXPECT_EQ(HeaderLine(record, "Cookie"), std::make_pair(std::string(c.cookie), *c.cookie ? 1 : 0));
    EXPECT_EQ(HeaderLine(record, "Expect").second, 0);
  }
}

TEST_F(HttpTransportSim, RedirectOffReadsTheRedirectsOwnCookies) {
  HttpRequest request;
  request.url = base + "/__sim/redirect?cookie=a%3D1%3B%20PATH%3D%2F&cookie=b%3D2%3B%20DOMAIN%3Dqq.com&cookie=c%3D3";
  request.noRedirect = true;
  std::string cookies;
  EXPECT_EQ(PerformHttpRequest(request, &cookies), "moved\n");
  EXPECT_EQ(cookies, "a=1; b=2; ; ");
  EXPECT_EQ(LastRequestTo(SimGet("/__sim/requests"), "/redirect_target").kind, JsonValue::Kind::Null);

  // Followed, the target is fetched, and only the final answer's cookies remain.
  request.noRedirect = false;
  std::string body = PerformHttpRequest(request, &cookies);
  EXPECT_NE(body.find("404"), std::string::npos);
  EXPECT_EQ(cookies, "");
  EXPECT_EQ(LastRequestTo(SimGet("/__sim/requests"), "/redirect_target")["method"].text, "GET");
}

TEST_F(HttpTransportSim, ADelayedAnswerEndsAtTheTimeOut) {
  SimPost("/__sim/faults", R"({"path":"/slow","mode":"delay","count":1,"seconds":6})");
  HttpRequest request;
  request.url = base + "/slow";
  request.timeoutSeconds = 1;
  std::string cookies = "stale";
  int64_t start = SteadyMilliseconds();
  EXPECT_EQ(PerformHttpRequest(request, &cookies), "");
  int64_t elapsed = SteadyMilliseconds() - start;
  EXPECT_GE(elapsed, 900);
  EXPECT_LE(elapsed, 3000);
  EXPECT_EQ(cookies, "");
}

TEST_F(HttpTransportSim, ACancelledRequestEndsAtOnce) {
  SimPost("/__sim/faults", R"({"path":"/held","mode":"delay","count":1,"seconds":8})");
  HttpCancellation cancellation;
  HttpRequest request;
  request.url = base + "/held";
  request.timeoutSeconds = 30;
  request.cancellation = &cancellation;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancellation.Cancel();
  });
  int64_t start = SteadyMilliseconds();
  EXPECT_EQ(PerformHttpRequest(request), "");
  EXPECT_LE(SteadyMilliseconds() - start, 2000);
  canceller.join();
  EXPECT_EQ(PerformHttpRequest(request), "");  // stays cancelled until Reset
  cancellation.Reset();
  request.url = base + "/__sim/redirect";
  request.noRedirect = true;
  EXPECT_EQ(PerformHttpRequest(request), "moved\n");
}

TEST_F(HttpTransportSim, BodyBytesComeBackUntouched) {
  // Every byte value, NUL and CR LF included, base64 for the control call.
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(char(i));
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t n = uint8_t(bytes[i]) << 16 | (i + 1 < bytes.size() ? uint8_t(bytes[i + 1]) << 8 : 0) |
                 (i + 2 < bytes.size() ? uint8_t(bytes[i + 2]) : 0);
    encoded += kDigits[n >> 18 & 63];
    encoded += kDigits[n >> 12 & 63];
    encoded += i + 1 < bytes.size() ? kDigits[n >> 6 & 63] : '=';
    encoded += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
  }
  SimPost("/__sim/update", R"({"package_base64":")" + encoded + R"("})");
  HttpRequest request;
  request.url = base + "/update/zuvo.zip";
  EXPECT_EQ(PerformHttpRequest(request), bytes);
}

TEST_F(HttpTransportSim, ManyThreadsAtOnce) {
  const int kThreads = 8, kEach = 10;
  std::vector<std::thread> threads;
  std::atomic<int> answered{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        HttpRequest request;
        request.url = base + "/__sim/redirect?cookie=t%3D" + std::to_string(t) + "%3B%20PATH%3D%2F";
        request.noRedirect = true;
        std::string cookies;
        if (PerformHttpRequest(request, &cookies) == "moved\n" && cookies == "t=" + std::to_string(t) + "; ")
          ++answered;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(answered, kThreads * kEach);
}

}  // namespace
