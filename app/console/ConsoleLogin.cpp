#include "app/console/ConsoleLogin.h"

#include "zuvo/platform/File.h"

namespace {

const char kFourReasons[] =
    "登录失败，可能由于以下原因导致：\r\n\r\n1、本机日期不准确\r\n\r\n2、无法连接腾讯服务器\r\n\r\n"
    "3、无法获取服务器信息\r\n\r\n4、Zuvo机器人版本过低";

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

const char kForcedOfflineText[] =
    "您的账号在另一地点登录，您被迫下线。\r\n\r\n如果这不是您本人的操作，那么您的密码很可\r\n"
    "能已泄露。建议您修改密码或紧急冻结QQ。\r\n\r\n如有疑问，请点击这里。";
const char kProtectionTitle[] = "QQ账号保护模式";

}  // namespace

CaptchaAnswer ConsoleCaptchaPrompt::Ask(const std::string& qq, const std::string& picture) {
  const std::string path = runDirectory_ + "\\captcha_" + qq + ".png";
  CaptchaAnswer answer;
  if (!ReplaceWholeFile(path, picture)) {
    WriteErrorLine("验证码图片无法写入：" + DisplayPath(path));
    return answer;
  }
  WriteErrorLine("验证码图片：" + DisplayPath(path));
  WriteErrorLine("请输入验证码（空行取消，r 换一张）：");
  std::string line;
  if (input_.Next(&line) != LineWait::kLine || line.empty()) return answer;
  if (line == "r" || line == "R") {
    answer.kind = CaptchaAnswer::Kind::NewPicture;
    return answer;
  }
  answer.kind = CaptchaAnswer::Kind::Code;
  answer.code = line;
  return answer;
}

AccountState ClassifyAccountState(const std::string& text) {
  if (Contains(text, "您的帐号暂时无法登录")) return AccountState::kProtected;
  if (Contains(text, "被迫下线")) return AccountState::kForcedOffline;
  if (Contains(text, "您的QQ帐号疑似被盗")) return AccountState::kSuspectedStolen;
  return AccountState::kOther;
}

void ShowAccountStateWindow(AccountState state) {
  if (state == AccountState::kForcedOffline) {
    WriteMessageBox("被迫下线", std::string("下线通知\r\n") + kForcedOfflineText);
  } else if (state != AccountState::kOther) {
    WriteMessageBox(kProtectionTitle, "立即恢复使用");
  }
}

bool RunConsoleLogin(WebQQClient& client, const ConsoleLoginRequest& request) {
  if (request.qqNumber.empty()) {
    WriteMessageBox("提示", "请输入您的账号后登录!");
    return false;
  }
  if (request.password.empty()) {
    WriteMessageBox("提示", "请输入您的密码后登录!");
    return false;
  }
  for (;;) {
    WriteErrorLine("正在连接服务器,请稍等...");
    const std::string result = client.Login(request.qqNumber, request.password);
    if (Contains(result, "登录成功")) break;
    if (Contains(result, "您输入的验证码不正确")) continue;  // a new attempt at once, new picture
    if (result == "取消") return false;
    if (result.empty()) {
      WriteMessageBox("登录失败", kFourReasons);
      return false;
    }
    const AccountState state = ClassifyAccountState(result);
    if (state == AccountState::kOther) WriteMessageBox("提示", result);
    ShowAccountStateWindow(state);
    return false;
  }
  WriteErrorLine("正在登录,请稍等...");
  if (!client.Login2(request.status)) {
    WriteMessageBox("提示", "登录超时,请稍候再试!");
    return false;
  }
  WriteErrorLine("正在获取信息,请稍等...");
  return true;
}
