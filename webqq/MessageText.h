// Turning the robot's message notation ("[br]", "[/14]") into the service's send requests:
// the two-level escaping of the content array, the font element, and the form bodies of the
// four message kinds. Pure text work, so it is tested without a network.
#pragma once

#include <string>

#include "webqq/ChatFont.h"

// The text escaped for a string element of a content array that is itself a JSON string
// inside the form's JSON value; face placeholders close the string element, insert a face
// element and open the next string element.
std::string EscapeMessageText(const std::string& text);

std::string ColorToHex(int color);  // 0x00BBGGRR -> "RRGGBB"
std::string BoolToText(bool value);
std::string NewMessageId();  // 1000-9999 followed by "0000"

// Empty name and size 0 become "宋体" and 9, in the caller's record.
void ApplyFontDefaults(ChatFont* font);

struct SendTokens {
  std::string clientid, psessionid;
};

// The path on the channel server and the form body for kind 0-3; false for any other kind.
// `signature` is the group_sig of a temporary-session message (kind 2).
bool BuildSendRequest(int kind, const std::string& target, const std::string& text, const ChatFont& font,
                      const std::string& signature, const SendTokens& tokens, std::string* path, std::string* body);

// A text for a JSON string value written inside a form value: quote and backslash escaped,
// control characters as \uXXXX, then URL-encoded as UTF-8.
std::string FormJsonText(const std::string& text);
