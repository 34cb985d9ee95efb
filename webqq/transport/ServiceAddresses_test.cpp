#include "webqq/transport/ServiceAddresses.h"

#include <gtest/gtest.h>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"

namespace {

TEST(ServiceAddresses, ServersSectionOverridesTheRealHosts) {
  std::string folder = RunDirectory() + "\\servers" + std::to_string(RandomBetween(0, 1 << 30));
  ASSERT_TRUE(CreateFolder(folder));
  EXPECT_EQ(LoadServiceAddresses(folder).channel, "http://d.web2.qq.com");  // no file at all
  ASSERT_TRUE(ReplaceWholeFile(folder + "\\ZuvoRobot.ini",
                               "[User]\r\nQQNumber=1\r\n[Servers]\r\nChannel = http://127.0.0.1:8080/\r\n"
                               "api=http://127.0.0.1:8080\r\n"));
  ServiceAddresses addresses = LoadServiceAddresses(folder);
  EXPECT_EQ(addresses.channel, "http://127.0.0.1:8080");
  EXPECT_EQ(addresses.api, "http://127.0.0.1:8080");
  EXPECT_EQ(addresses.login, "https://ssl.ptlogin2.qq.com");
  EXPECT_EQ(addresses.loginPage, "https://xui.ptlogin2.qq.com");
  RemoveFolderTree(folder);
}

}  // namespace
