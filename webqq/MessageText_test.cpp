#include "webqq/MessageText.h"

#include <gtest/gtest.h>

#include "Json.h"
#include "zuvo/platform/Text.h"

namespace {

std::string UrlDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

// The form value r, decoded the way the service decodes it: URL, then JSON.
JsonValue FormValueR(const std::string& body) {
  size_t end = body.find("&clientid=");
  JsonValue r;
  EXPECT_TRUE(ParseJson(UrlDecode(body.substr(2, end - 2)), &r)) << body;
  return r;
}

// The content array inside r, decoded a second time.
JsonValue ContentOf(const std::string& body) {
  JsonValue content;
  EXPECT_TRUE(ParseJson(FormValueR(body)["content"].text, &content));
  return content;
}

std::string Body(int kind, const std::string& text, ChatFont font = ChatFont()) {
  std::string path, body;
  EXPECT_TRUE(BuildSendRequest(kind, "2001", text, font, "sig", SendTokens{"1234567", "ps1"}, &path, &body));
  return body;
}

TEST(MessageText, TextSurvivesBothJsonLevels) {
  struct Case { const char* text; std::vector<std::string> elements; };  // strings; "#14" is face 14
  const std::vector<Case> cases = {
      {"a\"b\\c\r\nd", {"a\"b\\c\nd"}},
      {"x[br]y", {"x\ry"}},
      {"[/14]hi", {"", "#14", "hi"}},
      {"a[/]b[/14]", {"a[/]b[/14]"}},            // the empty placeholder ends the face loop
      {"[/14]x[/]y[/14]", {"", "#14", "x[/]y", "#14", ""}},  // a face seen before it counts everywhere
      {"[/abc][/7]", {"[/abc]", "#7", ""}},       // not a number: stays text, the loop goes on
      {"宋体", {"\xE5\xAE\x8B\xE4\xBD\x93"}},
  };
  for (const Case& c : cases) {
    for (int kind : {0, 1, 2, 3}) {
      JsonValue content = ContentOf(Body(kind, c.text));
      SCOPED_TRACE(std::string(c.text) + " kind " + std::to_string(kind));
      ASSERT_EQ(content.size(), c.elements.size() + 1);
      for (size_t i = 0; i < c.elements.size(); ++i) {
        const std::string& want = c.elements[i];
        if (want.size() > 1 && want[0] == '#') {
          EXPECT_EQ(content[i][0].text, "face");
          EXPECT_EQ(content[i][1].number, std::stod(want.substr(1)));
        } else {
          EXPECT_EQ(content[i].text, want);
        }
      }
      EXPECT_EQ(content[c.elements.size()][0].text, "font");
    }
  }
}

TEST(MessageText, FormValueOfEachKind) {
  ChatFont font;
  font.name = "";
  font.size = 0;
  font.color = 0xFF8000;  // blue 255, green 128, red 0
  font.bold = true;
  ApplyFontDefaults(&font);
  EXPECT_EQ(font.name, "宋体");
  EXPECT_EQ(font.size, 9);

  JsonValue friendValue = FormValueR(Body(0, "hi", font));
  EXPECT_EQ(friendValue["to"].number, 2001);
  EXPECT_EQ(friendValue["face"].number, 603);
  EXPECT_EQ(friendValue["clientid"].text, "1234567");
  EXPECT_EQ(friendValue["psessionid"].text, "ps1");
  EXPECT_GE(friendValue["msg_id"].number, 10000000);
  JsonValue fontElement = ContentOf(Body(0, "hi", font))[1][1];
  EXPECT_EQ(fontElement["name"].text, "\xE5\xAE\x8B\xE4\xBD\x93");
  EXPECT_EQ(fontElement["size"].text, "9");
  EXPECT_EQ(fontElement["color"].text, "0080FF");
  EXPECT_EQ(fontElement["style"][0].number, 1);
  EXPECT_EQ(fontElement["style"][1].number, 0);

  EXPECT_EQ(FormValueR(Body(1, "hi"))["group_uin"].number, 2001);
  JsonValue session = FormValueR(Body(2, "hi"));
  EXPECT_EQ(session["group_sig"].text, "sig");
  EXPECT_EQ(session["face"].number, 561);
  EXPECT_EQ(session["service_type"].number, 0);
  EXPECT_EQ(FormValueR(Body(3, "hi"))["did"].text, "2001");

  std::string path = "unchanged", body = "unchanged";
  EXPECT_FALSE(BuildSendRequest(4, "1", "x", font, "", SendTokens(), &path, &body));
  EXPECT_EQ(body, "unchanged");
}

TEST(MessageText, ValueFormats) {
  EXPECT_EQ(ColorToHex(0x0000FF), "FF0000");
  EXPECT_EQ(ColorToHex(0xFF8000), "0080FF");
  EXPECT_EQ(BoolToText(true), "1");
  EXPECT_EQ(BoolToText(false), "0");
  for (int i = 0; i < 50; ++i) {
    std::string id = NewMessageId();
    ASSERT_EQ(id.size(), 8u);
    EXPECT_EQ(id.substr(4), "0000");
    EXPECT_GE(std::stoi(id.substr(0, 4)), 1000);
  }
  JsonValue value;
  ASSERT_TRUE(ParseJson("\"" + UrlDecode(FormJsonText("a\"b\\c&d%e+f\r\n宋")) + "\"", &value));
  EXPECT_EQ(value.text, "a\"b\\c&d%e+f\r\n\xE5\xAE\x8B");
}

}  // namespace
