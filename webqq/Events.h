// The three kinds of event the poll loop hands to the robot engine. Texts are GBK.
#pragma once

#include <cstdint>
#include <string>

// Message kinds: 0 friend, 1 group, 2 temporary session, 3 discussion.
struct ChatEvent {
  int32_t kind = 0;
  std::string source;   // friend uin, group uin, the session's group id, or discussion did
  std::string sender;   // the uin of whoever wrote it
  std::string content;  // "[/N]" faces, "[图片]" pictures, "[br]" line breaks
};

// A friend request (and every other system message).
struct SystemNotice {
  std::string account;  // the requester's QQ number
  std::string fromUin;
  std::string message;
};

// Code 0: kicked off, `text` is the reason. Code 121: the login was lost, `text` is the
// whole poll reply.
struct StatusNotice {
  int32_t code = 0;
  std::string text;
};
