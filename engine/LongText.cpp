#include "engine/LongText.h"

#include "zuvo/platform/Text.h"

namespace {

bool IsAllDigits(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return !text.empty();
}

// How the service counts a piece of text toward its limit.
size_t ServiceLength(const std::string& piece) {
  if (piece == "[br]" || piece == "\r\n") return 1;
  if (piece.size() > 3 && piece.compare(0, 2, "[/") == 0) return 4;
  return GbkToUtf8(piece).size();
}

// The next indivisible piece at `at`: a face placeholder, "[br]", CR LF, or one character.
size_t PieceLength(const std::string& text, size_t at) {
  if (text.compare(at, 4, "[br]") == 0) return 4;
  if (text.compare(at, 2, "\r\n") == 0) return 2;
  if (text.compare(at, 2, "[/") == 0) {
    size_t close = text.find(']', at + 2);
    if (close != std::string::npos && close - at <= 12 && IsAllDigits(text.substr(at + 2, close - at - 2)))
      return close - at + 1;
  }
  return GbkCharLength(text, at);
}

}  // namespace

std::vector<std::string> SplitLongText(const std::string& text, size_t maxBytes) {
  std::vector<std::string> parts;
  size_t partStart = 0, partWeight = 0;
  size_t breakEnd = std::string::npos, weightAtBreak = 0;  // the part's last line break so far
  for (size_t at = 0; at < text.size();) {
    size_t length = PieceLength(text, at);
    size_t weight = ServiceLength(text.substr(at, length));
    if (partWeight + weight > maxBytes && at > partStart) {
      bool atBreak = breakEnd != std::string::npos && weightAtBreak * 2 > partWeight;
      size_t end = atBreak ? breakEnd : at;
      parts.push_back(text.substr(partStart, end - partStart));
      partWeight = atBreak ? partWeight - weightAtBreak : 0;
      partStart = end;
      breakEnd = std::string::npos;
    }
    partWeight += weight;
    bool lineBreak = text.compare(at, length, "[br]") == 0 || text.compare(at, length, "\r\n") == 0;
    at += length;
    if (lineBreak) {
      breakEnd = at;
      weightAtBreak = partWeight;
    }
  }
  parts.push_back(text.substr(partStart));
  return parts;
}

