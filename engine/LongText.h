// Long texts go out as several messages: the service drops a message whose text is longer
// than about 700 UTF-8 bytes. Cut when an item is queued, one queue item per part, so a
// retry never sends again a part the service already took.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Parts of at most `maxBytes` each (counted as the service counts: UTF-8 bytes of the text,
// a line break as one, a face as four), never cut inside a character, a face placeholder or
// "[br]", ending at a line break when one lies in the part's second half. A text that fits
// comes back whole; an empty text gives one empty part.
std::vector<std::string> SplitLongText(const std::string& text, size_t maxBytes = 700);

