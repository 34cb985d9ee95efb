#include <curl/curl.h>

#include <mutex>

#include "zuvo/platform/Http.h"

namespace {

bool InitialiseCurl() {
  static std::once_flag once;
  static bool initialised = false;
  std::call_once(once, [] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return initialised;
}

size_t CollectBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// Called for the headers of every response, redirects included: a new status line starts
// a new block, so only the final response's headers remain, as WinHTTP reports them.
size_t CollectHeader(char* data, size_t size, size_t count, void* target) {
  std::string* headers = static_cast<std::string*>(target);
  std::string line(data, size * count);
  if (line.compare(0, 5, "HTTP/") == 0) headers->clear();
  if (line != "\r\n") headers->append(line);
  return size * count;
}

curl_slist* HeaderList(const RawHttpRequest& request) {
  curl_slist* list = nullptr;
  for (const auto& [name, value] : request.headers) {
    std::string line = value.empty() ? name + ";" : name + ": " + value;
    list = curl_slist_append(list, line.c_str());
  }
  // WinHTTP never waits for "100 Continue"; neither do we.
  return curl_slist_append(list, "Expect:");
}

// libcurl calls this at least once a second, also while it waits for an answer.
int CheckCancelled(void* cancellation, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<HttpCancellation*>(cancellation)->IsCancelled() ? 1 : 0;
}

void SetTimeouts(CURL* curl, int milliseconds) {
  if (milliseconds < 0) return;
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(milliseconds));
  // libcurl has no per-receive time-out: a transfer that moves no byte for that long fails.
  long seconds = (milliseconds + 999) / 1000;
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, seconds);
}

}  // namespace

bool PerformRawHttpRequest(const RawHttpRequest& request, RawHttpResponse* response) {
  *response = RawHttpResponse();
  if (!InitialiseCurl()) return false;
  if (request.cancellation && request.cancellation->IsCancelled()) return false;
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  if (request.cancellation) {
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckCancelled);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, request.cancellation);
  }
  curl_slist* headers = HeaderList(request);
  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response->body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, CollectHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response->headers);
  if (request.method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (request.method != "GET" || !request.body.empty()) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
    if (request.method != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
  }
  SetTimeouts(curl, request.timeoutMilliseconds);
  bool ok = curl_easy_perform(curl) == CURLE_OK;
  long status = 0;
  if (ok) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  if (!ok) {
    *response = RawHttpResponse();
    return false;
  }
  response->status = int(status);
  return true;
}

bool HttpClientAvailable() {
  if (!InitialiseCurl()) return false;
  CURL* handle = curl_easy_init();
  if (!handle) return false;
  curl_easy_cleanup(handle);
  return true;
}
