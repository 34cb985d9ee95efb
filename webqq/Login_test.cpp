#include <gtest/gtest.h>

#include <string>

#include "webqq/WebQQClient.h"
#include "webqq/transport/TextCodec.h"
#include "zuvo/platform/File.h"

namespace {

std::string Sample(const std::string& name) {
  std::string text;
  EXPECT_TRUE(ReadWholeFile(std::string(WEBQQ_TESTDATA_DIR) + "/" + name, &text)) << name;
  return text;
}

TEST(PasswordHash, KnownValuesAndTheCodeCaseDoesNotMatter) {
  // Worked out with a separate MD5 tool from the three steps.
  EXPECT_EQ(PasswordHash("10001", "pw", "!ABC"), "0E42EC1D4AC6BF255F91B2D3EE7943FE");
  EXPECT_EQ(PasswordHash("10001", "pw", "!abc"), "0E42EC1D4AC6BF255F91B2D3EE7943FE");
  EXPECT_EQ(PasswordHash("12345", "secret", "abcd"), "DBC6531BA55068659DDDD5D838B0E930");
  EXPECT_NE(PasswordHash("12345", "secret", "abce"), PasswordHash("12345", "secret", "abcd"));
}

TEST(StatusName, CodesAndUnknownCodes) {
  const char* const names[] = {"online", "callme", "away", "busy", "silent", "hidden", "offline"};
  for (int code = 0; code < 7; ++code) EXPECT_STREQ(StatusName(code), names[code]) << code;
  EXPECT_STREQ(StatusName(7), "online");
  EXPECT_STREQ(StatusName(-1), "online");
}

TEST(Login2Body, FormAndJsonValue) {
  EXPECT_EQ(BuildLogin2Body(kStatusHidden, "abc", "1234567"),
            "r=%7B%22status%22%3A%22hidden%22%2C%22ptwebqq%22%3A%22abc%22%2C%22passwd_sig%22%3A%22%22"
            "%2C%22clientid%22%3A%221234567%22%2C%22psessionid%22%3Anull%7D&clientid=1234567&psessionid=null");
}

TEST(LoginSteps, RandomValuesStayInTheirRanges) {
  for (int i = 0; i < 200; ++i) {
    const std::string action = ActionValue();
    int a = 0, b = 0, c = 0;
    ASSERT_EQ(std::sscanf(action.c_str(), "%d-%d-%d", &a, &b, &c), 3) << action;
    EXPECT_TRUE(a >= 1 && a <= 8 && b >= 1 && b <= 20 && c >= 10000 && c <= 30000) << action;
    CookieJar jar;
    AddPgvPvidCookie(jar);
    ASSERT_EQ(jar.pairs.size(), 1u);
    EXPECT_EQ(jar.pairs[0].name, " pgv_pvid");
    const std::string& v = jar.pairs[0].value;
    EXPECT_TRUE(!v.empty() && v.size() <= 10 && v.find_first_not_of("0123456789") == std::string::npos) << v;
  }
}

TEST(LoginReply, ServiceReplies) {
  struct Case {
    const char* file;
    bool succeeded;
    const char* message;
    const char* nick;
    const char* redirectStart;
  };
  const Case cases[] = {
      {"login_reply_ok_1.txt", true, "登录成功!", "平凡", "http://ptlogin4.web2.qq.com/check_sig?pttype=1&uin=917362009&"},
      {"login_reply_ok_qr_1.txt", true, "登录成功!", "追梦", "http://ptlogin4.web2.qq.com/check_sig?"},
      {"login_reply_fail_3.txt", false, "您输入的帐号或密码不正确，请重新输入。", "", ""},
      {"login_reply_fail_4.txt", false, "您输入的验证码不正确，请重新输入。", "", ""},
      {"login_reply_fail_4_2.txt", false, "", "", ""},  // its second field is not 0
      {"login_reply_fail_7.txt", false, "很遗憾，网络连接出现异常，请您稍后再试。(2220884626)", "", ""},
      {"login_reply_fail_24.txt", false, "很遗憾，网络连接出现异常，请您检查是否禁用cookies。(3972006392)", "", ""},
      {"login_reply_fail_71.txt", false, "您的帐号由于异常禁止登录，请联系客服。(2009081021)", "", ""},
  };
  for (const Case& c : cases) {
    const LoginReply reply = ParseLoginReply(Utf8ToLocal(Sample(c.file)));
    EXPECT_EQ(reply.succeeded, c.succeeded) << c.file;
    EXPECT_EQ(reply.message, c.message) << c.file;
    EXPECT_EQ(reply.nick, c.nick) << c.file;
    EXPECT_EQ(reply.redirectAddress.rfind(c.redirectStart, 0), 0u) << c.file << ": " << reply.redirectAddress;
  }
}

TEST(LoginReply, SuccessWithoutTheRedirectFieldDoesNotBreak) {
  const char* const replies[] = {"ptuiCB('0','登录成功');", "登录成功", "ptuiCB('0','0','登录成功！', 'nick');", "登录成功','"};
  for (const char* text : replies) {
    const LoginReply reply = ParseLoginReply(text);
    EXPECT_TRUE(reply.succeeded) << text;
    EXPECT_EQ(reply.redirectAddress, "") << text;
  }
}

}  // namespace
