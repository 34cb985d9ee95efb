// The clipboard as plain text (CF_TEXT on Windows, GBK bytes). Systems without a clipboard
// keep the text in this process so that it can be read back.
#pragma once

#include <string>
#include <string_view>

// Replaces the clipboard's content. False when the clipboard could not be opened or filled.
bool SetClipboardText(std::string_view gbk);
// False when there is no text on the clipboard.
bool GetClipboardText(std::string* gbk);
