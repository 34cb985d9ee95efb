#include "webqq/transport/ServiceAddresses.h"

#include "zuvo/platform/Ini.h"

ServiceAddresses LoadServiceAddresses(std::string_view runDirectory) {
  ServiceAddresses addresses;
  IniFile file;
  file.Load(std::string(runDirectory) + "\\ZuvoRobot.ini");
  struct Key { const char* name; std::string ServiceAddresses::*field; };
  static const Key kKeys[] = {
      {"LoginPage", &ServiceAddresses::loginPage}, {"Login", &ServiceAddresses::login},
      {"Captcha", &ServiceAddresses::captcha},     {"Channel", &ServiceAddresses::channel},
      {"Api", &ServiceAddresses::api},             {"Avatar", &ServiceAddresses::avatar},
      {"Encyclopedia", &ServiceAddresses::encyclopedia}, {"Update", &ServiceAddresses::update},
      {"Register", &ServiceAddresses::registration},     {"Security", &ServiceAddresses::security},
  };
  for (const Key& key : kKeys) {
    std::string& field = addresses.*key.field;
    field = file.Get("Servers", key.name, field);
    while (!field.empty() && field.back() == '/') field.pop_back();
  }
  return addresses;
}
