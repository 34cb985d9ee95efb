// Where the service's servers are: a scheme plus host (and port), no path, per server role.
// Read from the section "Servers" of the program-wide ZuvoRobot.ini, so that tests and the
// demo can point every program at the simulator; a missing key keeps the real service's host.
#pragma once

#include <string>
#include <string_view>

struct ServiceAddresses {
  std::string loginPage = "https://xui.ptlogin2.qq.com";
  std::string login = "https://ssl.ptlogin2.qq.com";
  std::string captcha = "https://ssl.captcha.qq.com";
  std::string channel = "http://d.web2.qq.com";
  std::string api = "http://s.web2.qq.com";
  std::string avatar = "http://face1.web.qq.com";
  std::string encyclopedia = "http://baike.zuvo.invalid";
  std::string update = "http://update.zuvo.invalid";
  std::string registration = "http://zc.qq.com";
  std::string security = "https://aq.qq.com";
};

// The web client's login proxy page, sent (URL-encoded) as the s_url and u1 values.
inline constexpr char kLoginProxyPage[] = "http://web.qq.com/loginproxy.html";

// runDirectory + "\ZuvoRobot.ini", section "Servers"; a trailing "/" of a value is dropped.
ServiceAddresses LoadServiceAddresses(std::string_view runDirectory);
