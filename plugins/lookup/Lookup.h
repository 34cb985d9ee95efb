// The "#百科" command of LookupPlugin: recognising it, looking the word up on the
// encyclopedia site and answering through host function 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pluginhost/zpl.h"

// The word of a "#百科" command (the five bytes compared exactly), with ASCII and full-width
// blanks trimmed from both ends; false for any other message.
bool ParseLookupCommand(std::string_view content, std::string* word);

// The description of the word's article, "百科尚未收录词条“word”" when the site has no
// article, or "" when there is nothing to answer. Puts the article path on the clipboard when
// the search led straight to an article. `base` is the site's scheme and host.
std::string LookupWord(std::string_view base, std::string_view word);

// The message entry point's work: answers a command into the conversation it came from.
// What ApiSendMessage answered; 0 for any other message.
int32_t LookupCommand(ZplGetHostFunction hostFunctions, std::string_view base, int32_t kind, const char* source,
                      const char* sender, const char* content);
