#include "webqq/MessageText.h"

#include <cstdio>
#include <vector>

#include "webqq/transport/TextCodec.h"
#include "zuvo/platform/Clock.h"

namespace {

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  std::string result;
  size_t start = 0;
  for (size_t found; (found = text->find(from, start)) != std::string::npos; start = found + from.size()) {
    result.append(*text, start, found - start);
    result += to;
  }
  result.append(*text, start, std::string::npos);
  text->swap(result);
}

bool IsAllDigits(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return !text.empty();
}

// The face numbers in the order the placeholders appear; an empty placeholder "[/]" ends the
// list. A placeholder that is not a number stays text (a face element must hold a number).
std::vector<std::string> FaceNumbers(const std::string& text) {
  std::vector<std::string> numbers;
  int64_t position = 1;
  while (position != -1) {
    std::string value = TextBetween(text, "[/", "]", position, &position);
    if (value.empty()) break;
    if (IsAllDigits(value)) numbers.push_back(value);
  }
  return numbers;
}

const char kFontPart[] = "%5C%22%2C%5B%5C%22font%5C%22%2C%7B%5C%22name%5C%22%3A%5C%22";

std::string FontPart(const ChatFont& font) {
  return std::string(kFontPart) + UrlEncode(font.name) + "%5C%22%2C%5C%22size%5C%22%3A%5C%22" +
         std::to_string(font.size) + "%5C%22%2C%5C%22style%5C%22%3A%5B" + BoolToText(font.bold) + "%2C" +
         BoolToText(font.italic) + "%2C" + BoolToText(font.underline) + "%5D%2C%5C%22color%5C%22%3A%5C%22" +
         ColorToHex(font.color) + "%5C%22%7D%5D%5D%22%2C%22msg_id%22%3A" + NewMessageId();
}

std::string Tail(const SendTokens& tokens, bool session) {
  return std::string(session ? "%2C%22service_type%22%3A0" : "") + "%2C%22clientid%22%3A%22" + tokens.clientid +
         "%22%2C%22psessionid%22%3A%22" + tokens.psessionid + "%22%7D&clientid=" + tokens.clientid +
         "&psessionid=" + tokens.psessionid;
}

}  // namespace

std::string EscapeMessageText(const std::string& text) {
  std::string escaped = text;
  ReplaceAll(&escaped, "\\", "\\\\\\\\");
  ReplaceAll(&escaped, "\"", "\\\\\\\"");
  ReplaceAll(&escaped, "\r\n", "\\\\n");
  ReplaceAll(&escaped, "[br]", "\\\\r");
  for (const std::string& number : FaceNumbers(escaped))
    ReplaceAll(&escaped, "[/" + number + "]", "\\\",[\\\"face\\\"," + number + "],\\\"");
  return escaped;
}

std::string ColorToHex(int color) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  return text;
}

std::string BoolToText(bool value) { return value ? "1" : "0"; }

std::string NewMessageId() { return std::to_string(RandomBetween(1000, 9999)) + "0000"; }

void ApplyFontDefaults(ChatFont* font) {
  if (font->name.empty()) font->name = "宋体";
  if (font->size == 0) font->size = 9;
}

bool BuildSendRequest(int kind, const std::string& target, const std::string& text, const ChatFont& font,
                      const std::string& signature, const SendTokens& tokens, std::string* path, std::string* body) {
  const std::string escaped = EscapeMessageText(text);
  switch (kind) {
    case 0:
      *path = "/channel/send_buddy_msg2";
      *body = "r=%7B%22to%22%3A" + target + "%2C%22face%22%3A603%2C%22content%22%3A%22%5B%5C%22" +
              UrlEncode(escaped) + FontPart(font) + Tail(tokens, false);
      return true;
    case 1:
      *path = "/channel/send_qun_msg2";
      *body = "r=%7B%22group_uin%22%3A" + target + "%2C%22content%22%3A%22%5B%5C%22" + UrlEncode(escaped) +
              FontPart(font) + Tail(tokens, false);
      return true;
    case 2:
      *path = "/channel/send_sess_msg2";
      *body = "r=%7B%22to%22%3A" + target + "%2C%22group_sig%22%3A%22" + signature +
              "%22%2C%22face%22%3A561%2C%22content%22%3A%22%5B" + UrlEncode("\\\"" + escaped + "\\\"") +
              FontPart(font).substr(6) + Tail(tokens, true);
      return true;
    case 3:
      *path = "/channel/send_discu_msg2";
      *body = "r=%7B%22did%22%3A%22" + target + "%22%2C%22content%22%3A%22%5B%5C%22" + UrlEncode(escaped) +
              FontPart(font) + Tail(tokens, false);
      return true;
    default:
      return false;
  }
}

std::string FormJsonText(const std::string& text) {
  std::string json;
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += char(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", c);
      json += escape;
    } else {
      json += char(c);
    }
  }
  return UrlEncode(json);
}
