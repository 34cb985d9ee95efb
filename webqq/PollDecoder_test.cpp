#include "webqq/PollDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "webqq/transport/TextCodec.h"
#include "zuvo/platform/File.h"

namespace {

std::string Sample(const std::string& name) {
  std::string text;
  EXPECT_TRUE(ReadWholeFile(std::string(WEBQQ_TESTDATA_DIR) + "/" + name, &text)) << name;
  return text;
}

struct ExpectedEvent {
  PollEventType type;
  int kind;                 // Chat
  const char* first;        // Chat: source; System: account; Kick: reason
  const char* second;       // Chat: sender; System: fromUin
  const char* third;        // Chat: content; System: message
};

struct SampleCase {
  const char* file;
  const char* retcode;
  std::vector<ExpectedEvent> events;
};

constexpr PollEventType kChat = PollEventType::Chat;
constexpr PollEventType kSystem = PollEventType::System;
constexpr PollEventType kKick = PollEventType::Kick;

const char kKickReason1[] = "您的账号在另一地点登录，您已被迫下线。如有疑问，请登录 safe.qq.com 了解更多。";
const char kKickReason2[] = "您的帐号在另一地点登录，您已被迫下线。如有疑问，请登录 safe.qq.com 了解更多。";
const char kCrText[] =
    "[br]    var copyAttr = function (element, input) {[br]        var attrs = element.attributes;"
    "[br]        for (var i = 0; i < attrs.length; i++) {[br]            var attr = attrs[i];"
    "[br]            if (LC.regexValidate(/^l_.+/, attr.name)) {"
    "[br]                $(input).attr(attr.name.substr(2), attr.value);[br]            }[br]        }"
    "[br]        return input;[br]    }";
const char kQuotesText[] =
    "第一步：首选需要获取element元素，有很多种方法getElementById(\"\")（只能获取单一dom元素）"
    "想要获取元素集合请使用getElementsByName(\"\")看看这个是不是你要的大拿";

// Every single-event sample (and the retcode-only ones), the values worked out by hand from
// the decoding rules: faces [/N], every picture form [图片], \r as [br], other escapes kept,
// the service's one trailing blank dropped, ids from the event's own keys.
const std::vector<SampleCase>& SampleCases() {
  static const std::vector<SampleCase> cases = {
      {"poll_buddies_status_change_1.json", "0", {}},
      {"poll_discu_message_1.json", "0", {{kChat, 3, "2006892653", "1657605740", "world"}}},
      {"poll_discu_message_2.json", "0", {{kChat, 3, "3386761535", "165649255", "test"}}},
      {"poll_group_message_1.json", "0", {{kChat, 1, "1531183022", "2741929222", "我也是，了解得不多"}}},
      {"poll_group_message_2.json", "0", {{kChat, 1, "3669274215", "2105692212", "？"}}},
      {"poll_group_message_cr_1.json", "0", {{kChat, 1, "3732425507", "1978588832", kCrText}}},
      {"poll_group_message_ctrl_1.json", "0",
       {{kChat, 1, "1155450318", "4264858588", " \\n\x02" "宋体[br]"}}},
      {"poll_group_message_ctrl_2.json", "0", {{kChat, 1, "2859929324", "1951767953", "[傻笑]\x01"}}},
      {"poll_group_message_face14_1.json", "0", {{kChat, 1, "848492696", "2388435354", "aa[/14]"}}},
      {"poll_group_message_face_cface_1.json", "0",
       {{kChat, 1, "4058364275", "906411965", "什么[图片][/108]"}}},
      {"poll_group_message_quotes_1.json", "0", {{kChat, 1, "3732425507", "976120825", kQuotesText}}},
      {"poll_group_message_type32_1.json", "0", {}},  // no font element: nothing to hand on
      {"poll_group_web_message_1.json", "0", {}},
      {"poll_group_web_message_2.json", "0", {}},
      {"poll_input_notify_1.json", "", {}},
      {"poll_kick_message_1.json", "0", {{kKick, 0, kKickReason1, "", ""}}},
      {"poll_kick_message_2.json", "0", {{kKick, 0, kKickReason2, "", ""}}},
      {"poll_message_1.json", "0", {{kChat, 0, "2741929222", "2741929222", "123[/1]2343[/3]"}}},
      {"poll_message_2.json", "0", {{kChat, 0, "2741929222", "2741929222", "1222[/1]222[图片]331[/111]"}}},
      {"poll_message_3.json", "0", {{kChat, 0, "570454553", "570454553", "hello\\n"}}},
      {"poll_message_4.json", "0", {{kChat, 0, "3291940000", "3291940000", "[图片]"}}},
      {"poll_message_offpic_1.json", "0", {{kChat, 0, "2443409407", "2443409407", "[图片]"}}},
      {"poll_retcode_102.json", "102", {}},
      {"poll_retcode_103.json", "103", {}},
      {"poll_retcode_103_smartqq.json", "103", {}},
      {"poll_retcode_116.json", "116", {}},
      {"poll_retcode_121.json", "121", {}},
      {"poll_sess_message_1.json", "0", {{kChat, 2, "2002795244", "3043560234", "test"}}},
      {"poll_sess_message_2.json", "0", {{kChat, 2, "2002795244", "3043560234", "[图片]"}}},
      {"poll_sess_message_3.json", "0", {{kChat, 2, "2581801127", "167017143", "2载3 [/1]"}}},
      {"poll_shake_message_1.json", "0", {}},
      {"poll_sys_g_msg_admin_op_1.json", "0", {}},
      {"poll_sys_g_msg_group_leave_1.json", "0", {}},
      {"poll_sys_g_msg_join_agree_1.json", "0", {}},
      {"poll_sys_g_msg_request_join_1.json", "0", {}},
      {"poll_system_message_added_buddy_sig_1.json", "0", {{kSystem, 0, "569398403", "2388435354", ""}}},
      {"poll_system_message_verify_1.json", "0", {{kSystem, 0, "451652942", "4264858588", ""}}},
      {"poll_system_message_verify_2.json", "", {}},  // re-serialised without its retcode
      {"poll_system_message_verify_pass_1.json", "0", {{kSystem, 0, "", "431533686", ""}}},
      {"poll_tips_1.json", "0", {}},
  };
  return cases;
}

void ExpectEvent(const PollEvent& got, const ExpectedEvent& want, const std::string& where) {
  ASSERT_EQ(int(got.type), int(want.type)) << where;
  switch (want.type) {
    case PollEventType::Chat:
      EXPECT_EQ(got.chat.kind, want.kind) << where;
      EXPECT_EQ(got.chat.source, want.first) << where;
      EXPECT_EQ(got.chat.sender, want.second) << where;
      EXPECT_EQ(got.chat.content, want.third) << where;
      break;
    case PollEventType::System:
      EXPECT_EQ(got.system.account, want.first) << where;
      EXPECT_EQ(got.system.fromUin, want.second) << where;
      EXPECT_EQ(got.system.message, want.third) << where;
      break;
    case PollEventType::Kick:
      EXPECT_EQ(got.kickReason, want.first) << where;
      break;
  }
}

TEST(PollDecoder, EverySampleOfTheService) {
  for (const SampleCase& c : SampleCases()) {
    const PollReply reply = DecodePollReply(Sample(c.file));
    EXPECT_EQ(reply.retcode, c.retcode) << c.file;
    ASSERT_EQ(reply.events.size(), c.events.size()) << c.file;
    for (size_t i = 0; i < c.events.size(); ++i) ExpectEvent(reply.events[i], c.events[i], c.file);
  }
}

TEST(PollDecoder, SeveralEventsEachWithItsOwnIdsAndContentInReplyOrder) {
  struct Case {
    const char* file;
    size_t count;
    std::vector<std::pair<size_t, ExpectedEvent>> picks;
  };
  const Case cases[] = {
      {"poll_multi_event_1.json", 4,
       {{0, {kChat, 0, "3463000406", "3463000406", "888"}},
        {1, {kChat, 0, "3463000406", "3463000406", "99"}},
        {2, {kChat, 0, "3463000406", "3463000406", "ppp"}},
        {3, {kChat, 0, "3463000406", "3463000406", "ooo"}}}},
      {"poll_multi_event_2.json", 19,
       {{0, {kChat, 1, "3500488059", "768402696", "来了"}},
        {2, {kChat, 1, "3500488059", "768402696", "[尿尿]"}},
        {4, {kChat, 1, "3500488059", "1310628089", "[/14]"}},
        {14, {kChat, 1, "3500488059", "1119664462", "[图片]"}},
        {18, {kChat, 1, "3500488059", "768402696", "一个人的寂寞，两个人的错"}}}},
      {"poll_multi_event_3.json", 21,
       {{8, {kChat, 1, "339485879", "1107559385",
             "读入XML: ..\\iqq.git\\skin-default\\skin.xml报错[br]java.lang.NoSuchMethodError: "
             "com.thoughtworks.xstream.XStream.processAnnotations(Ljava/lang/Class;)V 请教下这个怎么解决"}},
        {13, {kChat, 1, "339485879", "1107559385", "好的 谢谢  我先试试"}},
        {20, {kChat, 1, "339485879", "1419522621", "你用的jdk1.5吧"}}}},
      {"poll_multi_event_4.json", 6,
       {{0, {kChat, 1, "3296454801", "4179971396", "[图片]"}},
        {2, {kChat, 1, "3296454801", "487660465", "[图片]"}},
        {5, {kChat, 1, "3296454801", "487660465", "表弟 "}}}},  // only the appended blank goes
  };
  for (const Case& c : cases) {
    const PollReply reply = DecodePollReply(Sample(c.file));
    ASSERT_EQ(reply.events.size(), c.count) << c.file;
    for (const auto& [index, want] : c.picks) {
      ExpectEvent(reply.events[index], want, std::string(c.file) + " #" + std::to_string(index));
    }
  }
}

TEST(PollDecoder, ContentElements) {
  struct Case { const char* elements; const char* content; };
  const Case cases[] = {
      {R"("hi ")", "hi"},
      {R"(["face",14],"ok ")", "[/14]ok"},
      {R"("a",["face",14])", "a[/14]"},  // a final face keeps the text before it
      {R"("say \"x\" ")", "say \"x\""},
      {R"("C:\\dir\\new ")", "C:\\dir\\new"},  // \\n is a backslash and an n, not a line break
      {R"("one\rtwo ")", "one[br]two"},
      {R"("one\ntwo ")", "one\\ntwo"},
      {R"(["offpic",{"success":1,"file_path":"/a"}],["offpic",{"success":1,"file_path":"/b"}]," ")",
       "[图片][图片]"},
      {R"("x",["cface",{"name":"{AB}.jpg","file_id":1,"key":"  ","server":"1.2.3.4:80"}],"y ")",
       "x[图片]y"},
      {R"(["cface","5E10.jpg",""],"z ")", "[图片]z"},
      {R"(["pic_id","5E10-A2BD"],["image","jpg",0]," ")", "[图片]"},
      {R"("  ")", " "},
      {R"("")", ""},
      {"", ""},
      {R"("\u6DFA\r ")", "淺[br]"},  // unescaped first: the GBK trail byte 0x5C is no escape
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeContentElements(UnescapeUnicode(c.elements)), c.content) << c.elements;
  }
}

TEST(PollDecoder, MalformedRepliesGiveEmptyValues) {
  const std::string reply = Sample("poll_group_message_face14_1.json");
  for (size_t cut = 0; cut <= reply.size(); ++cut) {
    const PollReply decoded = DecodePollReply(reply.substr(0, cut));
    EXPECT_LE(decoded.events.size(), 1u);
  }
  EXPECT_TRUE(DecodePollReply("").events.empty());
  EXPECT_EQ(DecodePollReply("{\"retcode\":0,\"result\":[{\"poll_type\":\"message\"}]}").events.size(), 0u);
  const PollReply unclosed = DecodePollReply(
      "{\"retcode\":0,\"result\":[{\"poll_type\":\"message\",\"value\":{\"from_uin\":5,"
      "\"content\":[[\"font\",{\"name\":\"}]\"}],\"open");
  ASSERT_EQ(unclosed.events.size(), 1u);
  EXPECT_EQ(unclosed.events[0].chat.source, "5");
  EXPECT_EQ(unclosed.events[0].chat.content, "");
}

TEST(RecentMessages, TheSameMessageReachesTheHandlersOnce) {
  struct Case { const char* file; size_t fresh; };
  const Case cases[] = {
      {"poll_multi_event_dup_1.json", 2},  // msg_id 19330 twice in one reply
      {"poll_multi_event_3.json", 20},     // seq 77008 under msg_id 18737 and 44691
      {"poll_multi_event_1.json", 4},
  };
  for (const Case& c : cases) {
    RecentMessages memory;
    const PollReply reply = DecodePollReply(Sample(c.file));
    size_t fresh = 0;
    for (const PollEvent& event : reply.events) fresh += memory.RememberIfNew(event);
    EXPECT_EQ(fresh, c.fresh) << c.file;
    for (const PollEvent& event : reply.events) EXPECT_FALSE(memory.RememberIfNew(event)) << c.file;
  }
}

TEST(RecentMessages, KeysAreKindAndSourceBoundAndTheMemoryIsBounded) {
  PollEvent a;
  a.chat.kind = 1;
  a.chat.source = "100";
  a.msgId = "7";
  a.seq = "9";
  PollEvent otherGroup = a;
  otherGroup.chat.source = "200";
  PollEvent otherKind = a;
  otherKind.chat.kind = 3;
  PollEvent friendNoSeq;
  friendNoSeq.chat.source = "100";
  friendNoSeq.msgId = "8";

  RecentMessages memory(2);
  EXPECT_TRUE(memory.RememberIfNew(a));
  EXPECT_TRUE(memory.RememberIfNew(otherGroup));
  EXPECT_TRUE(memory.RememberIfNew(otherKind));
  EXPECT_TRUE(memory.RememberIfNew(friendNoSeq));
  EXPECT_FALSE(memory.RememberIfNew(friendNoSeq));
  EXPECT_TRUE(memory.RememberIfNew(a));  // forgotten: only the two newest keys are kept

  PollEvent kick;
  kick.type = PollEventType::Kick;
  EXPECT_TRUE(memory.RememberIfNew(kick));
  EXPECT_TRUE(memory.RememberIfNew(kick));  // only chat messages are remembered
}

}  // namespace
