#include "webqq/transport/HttpTransport.h"

#include "webqq/transport/TextCodec.h"
#include "zuvo/platform/Http.h"

namespace {

const char kUserAgent[] = "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";

std::string UpperCaseAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return text;
}

std::string TrimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

RawHttpRequest RawRequestFor(const HttpRequest& request) {
  RawHttpRequest raw;
  raw.method = request.method.empty() ? "GET" : UpperCaseAscii(request.method);
  raw.url = request.url;
  raw.body = request.bodyText;
  raw.timeoutMilliseconds = HttpTimeoutMilliseconds(request.timeoutSeconds);
  raw.followRedirects = !request.noRedirect;
  raw.cancellation = request.cancellation;
  if (!request.cookie.empty()) raw.headers.emplace_back("Cookie", request.cookie);
  // Every request, GET or POST, carries the same block, with its own address as Referer.
  raw.headers.emplace_back("Referer", request.url);
  raw.headers.emplace_back("Accept", "*/*");
  raw.headers.emplace_back("Accept-Language", "zh-cn");
  raw.headers.emplace_back("User-Agent", kUserAgent);
  raw.headers.emplace_back("Content-Type", "application/x-www-form-urlencoded");
  return raw;
}

}  // namespace

int HttpTimeoutMilliseconds(int timeoutSeconds) {
  if (timeoutSeconds == -1) return -1;
  if (timeoutSeconds >= 1 && timeoutSeconds <= 2147483) return timeoutSeconds * 1000;
  if (timeoutSeconds > 2147483) return 2147483647;  // more seconds than the milliseconds field holds
  return 15000;
}

std::string CookiesFromHeaders(const std::string& headerBlock) {
  std::string cookies;
  size_t start = 0;
  while (start < headerBlock.size()) {
    size_t end = headerBlock.find("\r\n", start);
    if (end == std::string::npos) end = headerBlock.size();
    std::string line = headerBlock.substr(start, end - start);
    start = end + 2;
    if (line.find("Set-Cookie") == std::string::npos) continue;
    cookies += TrimBlanks(TextBetweenQuoteMarked(line, "Set-Cookie:", ";")) + "; ";
  }
  return cookies;
}

std::string PerformHttpRequest(const HttpRequest& request, std::string* receivedCookies) {
  RawHttpResponse response;
  bool answered = PerformRawHttpRequest(RawRequestFor(request), &response);
  if (receivedCookies) *receivedCookies = answered ? CookiesFromHeaders(response.headers) : std::string();
  return answered ? response.body : std::string();
}
