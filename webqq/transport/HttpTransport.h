// The one blocking HTTP operation of the protocol client, with the service's fixed header
// block, its time-out rule and the cookies the answer sets. No state survives a call; safe
// from any thread.
#pragma once

#include <string>

class HttpCancellation;

struct HttpRequest {
  std::string url;
  std::string method = "GET";  // upper-cased before use; empty means GET
  std::string bodyText;
  std::string cookie;          // the Cookie header, sent only when not empty
  bool noRedirect = false;
  int timeoutSeconds = 0;      // -1: the library's own; 1 or more: that many seconds; else 15
  HttpCancellation* cancellation = nullptr;  // lets another thread abandon the request
};

// The body exactly as received; empty when no answer came. `receivedCookies`, when given,
// gets "name=value; " for every Set-Cookie header in order (empty on failure).
std::string PerformHttpRequest(const HttpRequest& request, std::string* receivedCookies = nullptr);

// The time-out the request's rule gives, in milliseconds (-1: the library's own).
int HttpTimeoutMilliseconds(int timeoutSeconds);

// "name=value; " for every Set-Cookie line of a header block, in order.
std::string CookiesFromHeaders(const std::string& headerBlock);
