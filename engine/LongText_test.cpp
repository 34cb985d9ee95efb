#include "engine/LongText.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "zuvo/platform/Text.h"

namespace {

size_t ServiceBytes(const std::string& part) {
  std::string text = part;
  size_t faces = 0;
  for (size_t at; (at = text.find("[/")) != std::string::npos;) {
    size_t close = text.find(']', at);
    text.erase(at, close - at + 1);
    ++faces;
  }
  for (size_t at; (at = text.find("[br]")) != std::string::npos;) text.replace(at, 4, "\n");
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
  return GbkToUtf8(text).size() + 4 * faces;
}

TEST(LongText, LongTextsSplitWhereTheServiceAcceptsEveryPart) {
  std::string chinese;
  for (int i = 0; i < 600; ++i) chinese += "汉";
  std::string mixed;
  for (int i = 0; i < 120; ++i) mixed += "ab[/14]c[br]字";
  const std::string cases[] = {chinese, mixed, std::string(1500, 'x'), chinese + "[br]" + chinese};
  for (const std::string& text : cases) {
    std::vector<std::string> parts = SplitLongText(text);
    std::string joined;
    for (const std::string& part : parts) {
      EXPECT_LE(ServiceBytes(part), 700u);
      EXPECT_FALSE(part.empty());
      joined += part;
    }
    EXPECT_EQ(joined, text);
    EXPECT_GT(parts.size(), 1u);
    for (const std::string& part : parts) {
      // Every part is whole GBK characters and whole placeholders.
      EXPECT_EQ(Utf8ToGbk(GbkToUtf8(part)), part);
      EXPECT_EQ(std::count(part.begin(), part.end(), '['), std::count(part.begin(), part.end(), ']'));
    }
  }
  EXPECT_EQ(SplitLongText("short"), std::vector<std::string>{"short"});
  EXPECT_EQ(SplitLongText(""), std::vector<std::string>{""});
  // A line break in the second half of a part ends it there.
  std::string lines = std::string(500, 'a') + "[br]" + std::string(500, 'b');
  EXPECT_EQ(SplitLongText(lines)[0], std::string(500, 'a') + "[br]");
}

}  // namespace
