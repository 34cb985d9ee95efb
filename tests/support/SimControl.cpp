#include "SimControl.h"

#include <cstdio>
#include <cstdlib>

#include "zuvo/platform/Http.h"
#include "zuvo/platform/Text.h"

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

ServiceAddresses SimServiceAddresses() {
  ServiceAddresses addresses;
  const std::string base = SimBaseUrl();
  for (std::string* role : {&addresses.loginPage, &addresses.login, &addresses.captcha, &addresses.channel,
                            &addresses.api, &addresses.avatar, &addresses.encyclopedia, &addresses.update}) {
    *role = base;
  }
  return addresses;
}

std::string SimJsonText(const std::string& gbk) {
  std::string out = "\"";
  for (char c : GbkToUtf8(gbk)) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (uint8_t(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(uint8_t(c)));
      out.append(escape);
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}
