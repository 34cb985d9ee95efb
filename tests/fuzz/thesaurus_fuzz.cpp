// Thesaurus matching and template filling over arbitrary bytes: the first line of the input
// is the message, the rest the combined thesaurus text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ReplyTemplates.h"
#include "engine/Thesaurus.h"

namespace {

class EchoContacts : public ContactLookup {
 public:
  std::string LookupQQNumber(int, const std::string& id) override { return id; }
  std::string GetStrangerInfo(int field, const std::string&) override { return field ? "[Kw]" : "[QName]"; }
  std::string FindGroupCode(const std::string& gid) override { return gid; }
  std::string FindDiscussionName(const std::string& did) override { return did; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t lineEnd = input.find('\n');
  std::string_view message = lineEnd == std::string_view::npos ? input : input.substr(0, lineEnd);
  std::string text(lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1));
  EchoContacts contacts;
  TemplateSources templates{"[Kw]", &contacts};
  FillReplyTemplatesInPlace(templates, &text, message, "u", nullptr);
  for (const std::string& candidate : ThesaurusCandidates(text, message)) {
    if (candidate.empty() || candidate.find("\r\n") != std::string::npos) __builtin_trap();
  }
  return 0;
}
