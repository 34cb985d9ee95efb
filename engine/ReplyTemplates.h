// The template words of reply texts: robot nickname, the message answered, the version and
// facts about the person answered, looked up through the client on every call.
#pragma once

#include <string>
#include <string_view>

#include "engine/RobotClient.h"

inline constexpr const char* kRobotVersionText = "V2.0.83";

struct TemplateSources {
  std::string nickname;
  ContactLookup* contacts = nullptr;
};

// Replaces "[ZuvoName]", "[Kw]", "[Vn]", "[QName]", "[QLocation]", "[QQNumber]" in that order,
// ignoring ASCII case, each over the previous result. `qqNumber` null (chat form) looks the
// number up from `personUin`; the friend-request form passes the request's account.
std::string FillReplyTemplates(const TemplateSources& sources, std::string_view text,
                               std::string_view message, const std::string& personUin,
                               const std::string* qqNumber);
// The same over `text` itself, for the large combined thesaurus text.
void FillReplyTemplatesInPlace(const TemplateSources& sources, std::string* text,
                               std::string_view message, const std::string& personUin,
                               const std::string* qqNumber);
