#include "engine/ReplyTemplates.h"

#include "engine/EngineText.h"

void FillReplyTemplatesInPlace(const TemplateSources& sources, std::string* text,
                               std::string_view message, const std::string& personUin,
                               const std::string* qqNumber) {
  // Looked up whether or not the words occur, so what the service is asked does not depend
  // on the text.
  std::string name, location, number;
  if (sources.contacts) {
    name = sources.contacts->GetStrangerInfo(kStrangerNickname, personUin);
    location = sources.contacts->GetStrangerInfo(kStrangerLocation, personUin);
    if (!qqNumber) number = sources.contacts->LookupQQNumber(0, personUin);
  }
  if (qqNumber) number = *qqNumber;
  struct WordValue {
    const char* word;
    std::string_view value;
  };
  const WordValue kSteps[] = {
      {"[ZuvoName]", sources.nickname}, {"[Kw]", message},      {"[Vn]", kRobotVersionText},
      {"[QName]", name},                {"[QLocation]", location}, {"[QQNumber]", number},
  };
  for (const WordValue& step : kSteps) ReplaceWordEverywhere(text, step.word, step.value, true);
}

std::string FillReplyTemplates(const TemplateSources& sources, std::string_view text,
                               std::string_view message, const std::string& personUin,
                               const std::string* qqNumber) {
  std::string result(text);
  FillReplyTemplatesInPlace(sources, &result, message, personUin, qqNumber);
  return result;
}
