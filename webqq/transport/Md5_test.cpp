#include "webqq/transport/Md5.h"

#include <gtest/gtest.h>

namespace {

TEST(Md5, Rfc1321TestSuite) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& [message, digest] : cases) EXPECT_EQ(ToHexUpper(Md5(message)), digest) << message;
}

TEST(Md5, LengthsAroundTheBlockAndPaddingEdges) {
  const std::pair<size_t, std::string> cases[] = {
      {55, "EF1772B6DFF9A122358552954AD0DF65"},  {56, "3B0C8AC703F828B04C6C197006D17218"},
      {63, "B06521F39153D618550606BE297466D5"},  {64, "014842D480B571495A4A0363793F7367"},
      {65, "C743A45E0D2E6A95CB859ADAE0248435"},  {119, "8A7BD0732ED6A28CE75F6DABC90E1613"},
      {120, "5F61C0CCAD4CAC44C75FF505E1F1E537"}, {128, "E510683B3F5FFE4093D021808BC6FF70"},
      {1000000, "7707D6AE4E027C70EEA2A935C2296F21"},
  };
  for (const auto& [length, digest] : cases) {
    EXPECT_EQ(ToHexUpper(Md5(std::string(length, 'a'))), digest) << length << " times 'a'";
  }
}

TEST(Md5, DigestIsSixteenRawBytes) {
  const std::string digest = Md5(std::string("\0\xFF", 2));
  EXPECT_EQ(digest.size(), 16u);
  EXPECT_EQ(ToHexUpper(digest), "D07D34EFAC6328007AD67C7E0A985E00");
  EXPECT_EQ(ToHexUpper(Md5("宋体")), "DC172F68C7A9111E9781AECFB2AD0541");  // the GBK bytes CB CE CC E5
  EXPECT_EQ(ToHexUpper(std::string("\x00\x0F\xA0\xFF", 4)), "000FA0FF");
  EXPECT_EQ(ToHexUpper(""), "");
}

}  // namespace
