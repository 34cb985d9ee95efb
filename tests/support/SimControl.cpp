#include "SimControl.h"

#include <cstdlib>

#include "zuvo/platform/Http.h"

std::string SimBaseUrl() {
  const char* url = std::getenv("ZUVO_SIM_URL");
  return url ? url : "";
}

std::string SimPost(const std::string& path, const std::string& jsonBody) {
  RawHttpRequest request;
  request.method = "POST";
  request.url = SimBaseUrl() + path;
  request.headers.emplace_back("Content-Type", "application/json");
  request.body = jsonBody;
  request.timeoutMilliseconds = 10000;
  RawHttpResponse response;
  return PerformRawHttpRequest(request, &response) ? response.body : "";
}

JsonValue SimGet(const std::string& path) {
  RawHttpRequest request;
  request.url = SimBaseUrl() + path;
  request.timeoutMilliseconds = 10000;
  RawHttpResponse response;
  JsonValue value;
  if (PerformRawHttpRequest(request, &response)) ParseJson(response.body, &value);
  return value;
}
