// The raw HTTP request of the platform: WinHTTP's C API on Windows, libcurl elsewhere. It
// sends exactly the method, headers and body it is given and returns what came back; the
// service's rules (header block, cookies, time-out rule) are built on top of it once, for
// both systems. Safe to call from many threads at once; no state survives a call.
#pragma once

#include <atomic>
#include <string>
#include <utility>
#include <vector>

// Lets another thread abandon requests: after Cancel, every request in flight with it ends
// within about a second and every later one fails at once, until Reset.
class HttpCancellation {
 public:
  void Cancel() { cancelled_ = true; }
  void Reset() { cancelled_ = false; }
  bool IsCancelled() const { return cancelled_; }

 private:
  std::atomic<bool> cancelled_{false};
};

struct RawHttpRequest {
  std::string method = "GET";  // sent as given
  std::string url;             // absolute http:// or https:// address
  std::vector<std::pair<std::string, std::string>> headers;  // in order, after the library's own
  std::string body;
  int timeoutMilliseconds = -1;  // one value for resolve, connect, send and receive; -1 = library defaults
  bool followRedirects = true;
  HttpCancellation* cancellation = nullptr;  // may be null
};

struct RawHttpResponse {
  int status = 0;
  std::string headers;  // the final response's header block: status line, then "Name: value" lines, CR LF
  std::string body;     // bytes as received
};

// False (and an empty response) when no answer came: bad address, no connection, time-out.
bool PerformRawHttpRequest(const RawHttpRequest& request, RawHttpResponse* response);

// True when an HTTP client can be created on this system (the start-up check).
bool HttpClientAvailable();
