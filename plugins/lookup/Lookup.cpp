#include "Lookup.h"

#include "webqq/transport/HttpTransport.h"
#include "webqq/transport/TextCodec.h"
#include "zuvo/platform/Clipboard.h"
#include "zuvo/platform/Text.h"

namespace {

constexpr std::string_view kCommand = "#百科";
constexpr std::string_view kFullWidthBlank = "　";

std::string Fetch(std::string_view base, const std::string& path) {
  HttpRequest request;
  request.url = std::string(base) + path;
  return Utf8ToLocal(PerformHttpRequest(request));
}

// The length of the blank at `pos` (1 or 2 bytes), 0 when the character there is no blank.
size_t BlankLengthAt(std::string_view text, size_t pos) {
  if (text[pos] == ' ') return 1;
  return text.substr(pos, 2) == kFullWidthBlank ? 2 : 0;
}

// Walks whole GBK characters, so a trailing A1 A1 that belongs to two characters stays.
std::string TrimBlanks(std::string_view text) {
  size_t begin = 0, end = 0;
  bool seenWord = false;
  for (size_t pos = 0; pos < text.size();) {
    size_t blank = BlankLengthAt(text, pos);
    size_t length = blank != 0 ? blank : GbkCharLength(text, pos);
    if (length == 0) length = 1;
    if (blank == 0) {
      if (!seenWord) begin = pos;
      seenWord = true;
      end = pos + length;
    }
    pos += length;
  }
  return seenWord ? std::string(text.substr(begin, end - begin)) : std::string();
}

}  // namespace

bool ParseLookupCommand(std::string_view content, std::string* word) {
  if (content.substr(0, kCommand.size()) != kCommand) return false;
  *word = TrimBlanks(content.substr(kCommand.size()));
  return true;
}

std::string LookupWord(std::string_view base, std::string_view word) {
  std::string page = Fetch(base, "/search/word?word=" + UrlEncode(word) + "&pic=1&sug=1&enc=utf8");
  std::string path;
  if (page.find("多义词") != std::string::npos) {
    path = TextBetweenQuoteMarked(page, "_blank href=\"", "\"");
  } else {
    path = "/view/" + TextBetweenQuoteMarked(page, "logLemmaId = \"", "\"") + ".htm";
    SetClipboardText(path);
  }
  std::string article = Fetch(base, path);
  if (article.find("您所访问的页面不存在") != std::string::npos) return "百科尚未收录词条“" + std::string(word) + "”";
  return TextBetweenQuoteMarked(article, "Description\" content=\"", "\"");
}

int32_t LookupCommand(ZplGetHostFunction hostFunctions, std::string_view base, int32_t kind, const char* source,
                      const char* sender, const char* content) {
  std::string word;
  if (!content || !ParseLookupCommand(content, &word)) return 0;
  std::string answer = LookupWord(base, word);
  auto sendMessage = reinterpret_cast<ZplApiSendMessageFunction>(hostFunctions(ZplApiSendMessage));
  return sendMessage(kind, source, sender, answer.c_str());
}
