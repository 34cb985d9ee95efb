#include "webqq/PollDecoder.h"

#include <cstdint>

#include "webqq/transport/TextCodec.h"

namespace {

constexpr size_t kNone = std::string_view::npos;

bool IsGbkLead(char c) { return uint8_t(c) >= 0x81 && uint8_t(c) <= 0xFE; }

// Length of the character at `pos`: a GBK lead byte takes its trail byte along, so no search
// below ever matches on the second half of a double-byte character.
size_t CharLength(std::string_view text, size_t pos) {
  return IsGbkLead(text[pos]) && pos + 1 < text.size() ? 2 : 1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool HasAt(std::string_view text, size_t pos, std::string_view prefix) {
  return pos <= text.size() && text.substr(pos, prefix.size()) == prefix;
}

// Every `from` that starts at a character boundary replaced by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (HasAt(text, i, from)) {
      out.append(to);
      i += from.size();
      continue;
    }
    const size_t length = CharLength(text, i);
    out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

// Steps 1-6 of the content decoding in one pass: an escaped quote or backslash becomes the
// plain character, an escaped CR becomes "[br]", the quotes around string elements go, and
// every other escape stays as written.
std::string UnquoteElements(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      if (next == '"' || next == '\\') {
        out.push_back(next);
      } else if (next == 'r') {
        out.append("[br]");
      } else {
        out.append(text.substr(i, 2));
      }
      i += 2;
      continue;
    }
    const size_t length = CharLength(text, i);
    if (c != '"') out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

// End (just past) of a picture element starting at `pos` with "[" + tag + ",", or kNone.
size_t PictureElementEnd(std::string_view text, size_t pos, std::string_view tag) {
  const size_t body = pos + 1 + tag.size() + 1;
  if (!HasAt(text, pos, "[") || !HasAt(text, pos + 1, tag) || !HasAt(text, body - 1, ",")) return kNone;
  const bool objectForm = body < text.size() && text[body] == '{';
  const size_t end = text.find(objectForm ? "}]" : "]", body);
  return end == kNone ? kNone : end + (objectForm ? 2 : 1);
}

// Offline pictures, custom faces and temporary-session pictures (a pic_id element with its
// image element after it) all become "[图片]".
size_t PictureEnd(std::string_view text, size_t pos) {
  for (std::string_view tag : {"offpic", "cface"}) {
    const size_t end = PictureElementEnd(text, pos, tag);
    if (end != kNone) return end;
  }
  size_t end = PictureElementEnd(text, pos, "pic_id");
  if (end == kNone) return kNone;
  const size_t image = PictureElementEnd(text, end, "image");
  return image == kNone ? end : image;
}

// "[face," + number + "]" at `pos`: the number, else empty.
std::string_view FaceNumber(std::string_view text, size_t pos) {
  constexpr std::string_view kFace = "[face,";
  if (!HasAt(text, pos, kFace)) return {};
  size_t end = pos + kFace.size();
  while (end < text.size() && IsDigit(text[end])) ++end;
  if (end == pos + kFace.size() || end >= text.size() || text[end] != ']') return {};
  return text.substr(pos + kFace.size(), end - pos - kFace.size());
}

std::string ReplacePicturesAndFaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '[') {
      const size_t pictureEnd = PictureEnd(text, i);
      if (pictureEnd != kNone) {
        out.append("[图片]");
        i = pictureEnd;
        continue;
      }
      const std::string_view face = FaceNumber(text, i);
      if (!face.empty()) {
        out.append("[/").append(face).append("]");
        i += 7 + face.size();
        continue;
      }
    }
    const size_t length = CharLength(text, i);
    out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

// The first "]" or "}" at or after `from` that closes nothing opened after `from`, skipping
// strings; kNone when the text ends first.
size_t UnmatchedClose(std::string_view text, size_t from) {
  int depth = 0;
  bool inString = false;
  for (size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == '"') inString = true;
    else if (c == '[' || c == '{') ++depth;
    else if ((c == ']' || c == '}') && depth-- == 0) return i;
  }
  return kNone;
}

// The raw elements after the font element of an event's content array; empty when the event
// has no font element (such messages are not delivered) or the array does not close.
bool ContentElements(std::string_view piece, std::string_view* elements) {
  constexpr std::string_view kFont = "\"font\",{";
  const size_t font = piece.find(kFont);
  if (font == kNone) return false;
  *elements = {};
  const size_t fontObjectClose = UnmatchedClose(piece, font + kFont.size());
  if (fontObjectClose == kNone) return true;
  const size_t fontObjectEnd = fontObjectClose + 1;
  if (!HasAt(piece, fontObjectEnd, "]")) return true;
  if (!HasAt(piece, fontObjectEnd + 1, ",")) return true;  // nothing after the font
  const size_t start = fontObjectEnd + 2;
  // The content array is the font element's parent: it ends at the first unmatched "]".
  const size_t end = UnmatchedClose(piece, start);
  if (end != kNone) *elements = piece.substr(start, end - start);
  return true;
}

struct ChatKindRow {
  std::string_view pollType;
  int32_t kind;
  std::string_view sourceKey;
  std::string_view senderKey;
};

const ChatKindRow kChatKinds[] = {
    {"message", 0, "\"from_uin\":", "\"from_uin\":"},
    {"group_message", 1, "\"from_uin\":", "\"send_uin\":"},
    {"sess_message", 2, "\"id\":", "\"from_uin\":"},
    {"discu_message", 3, "\"did\":", "\"send_uin\":"},
};

std::string NumberAfter(std::string_view piece, std::string_view key) {
  return TextBetween(piece, key, ",");
}

bool DecodeChat(std::string_view piece, const ChatKindRow& row, PollEvent* event) {
  std::string_view elements;
  if (!ContentElements(piece, &elements)) return false;
  event->type = PollEventType::Chat;
  event->chat.kind = row.kind;
  event->chat.source = NumberAfter(piece, row.sourceKey);
  event->chat.sender = NumberAfter(piece, row.senderKey);
  event->chat.content = DecodeContentElements(UnescapeUnicode(elements));
  event->msgId = NumberAfter(piece, "\"msg_id\":");
  event->seq = NumberAfter(piece, "\"seq\":");
  return true;
}

bool DecodeEvent(std::string_view piece, PollEvent* event) {
  const std::string pollType = TextBetween(piece, "\"poll_type\":\"", "\"");
  for (const ChatKindRow& row : kChatKinds) {
    if (pollType == row.pollType) return DecodeChat(piece, row, event);
  }
  if (pollType == "system_message") {
    event->type = PollEventType::System;
    event->system.account = NumberAfter(piece, "\"account\":");
    event->system.fromUin = NumberAfter(piece, "\"from_uin\":");
    event->system.message = UnescapeUnicode(TextBetween(piece, "\"msg\":\"", "\""));
    return true;
  }
  if (pollType == "kick_message") {
    event->type = PollEventType::Kick;
    event->kickReason = UnescapeUnicode(TextBetween(piece, "\"reason\":\"", "\""));
    return true;
  }
  return false;  // group notices, status changes, tips, input notices: not handled
}

std::string RetcodeOf(std::string_view reply) {
  constexpr std::string_view kKey = "\"retcode\":";
  const size_t at = reply.find(kKey);
  if (at == kNone) return {};
  size_t end = at + kKey.size();
  if (end < reply.size() && reply[end] == '-') ++end;
  while (end < reply.size() && IsDigit(reply[end])) ++end;
  return std::string(reply.substr(at + kKey.size(), end - at - kKey.size()));
}

}  // namespace

std::string DecodeContentElements(std::string_view elements) {
  std::string text = UnquoteElements(elements);
  text = ReplaceAll(ReplaceAll(text, ",[", "["), "],", "]");
  text = ReplacePicturesAndFaces(text);
  if (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::vector<std::string_view> SplitPollEvents(std::string_view reply) {
  constexpr std::string_view kKey = "\"poll_type\":\"";
  std::vector<std::string_view> pieces;
  size_t at = reply.find(kKey);
  while (at != kNone) {
    const size_t next = reply.find(kKey, at + kKey.size());
    pieces.push_back(reply.substr(at, next == kNone ? kNone : next - at));
    at = next;
  }
  return pieces;
}

PollReply DecodePollReply(std::string_view reply) {
  PollReply decoded;
  decoded.retcode = RetcodeOf(reply);
  if (decoded.retcode != "0") return decoded;
  for (std::string_view piece : SplitPollEvents(reply)) {
    PollEvent event;
    if (DecodeEvent(piece, &event)) decoded.events.push_back(std::move(event));
  }
  return decoded;
}

void RecentMessages::Insert(const std::string& key) {
  if (!known_.insert(key).second) return;
  order_.push_back(key);
  if (order_.size() > capacity_) {
    known_.erase(order_.front());
    order_.pop_front();
  }
}

bool RecentMessages::RememberIfNew(const PollEvent& event) {
  if (event.type != PollEventType::Chat) return true;
  const std::string prefix = std::to_string(event.chat.kind) + "|" + event.chat.source + "|";
  std::string keys[2];
  if (!event.msgId.empty()) keys[0] = prefix + "m" + event.msgId;
  if (!event.seq.empty()) keys[1] = prefix + "s" + event.seq;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const std::string& key : keys) {
    if (!key.empty() && known_.count(key)) return false;
  }
  for (const std::string& key : keys) {
    if (!key.empty()) Insert(key);
  }
  return true;
}
