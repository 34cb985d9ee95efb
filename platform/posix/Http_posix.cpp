#include <curl/curl.h>

#include <mutex>

#include "zuvo/platform/Http.h"

bool HttpClientAvailable() {
  static std::once_flag once;
  static bool initialised = false;
  std::call_once(once, [] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  if (!initialised) return false;
  CURL* handle = curl_easy_init();
  if (!handle) return false;
  curl_easy_cleanup(handle);
  return true;
}
