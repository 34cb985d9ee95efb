#include "engine/AutoRecord.h"

#include <gtest/gtest.h>

#include <thread>

#include "engine/EngineTestSupport.h"

namespace {

template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST(LearningCommand, Parsing) {
  struct Case {
    const char* message;
    bool found;
    const char* keyword;
    const char* reply;
  } const kCases[] = {
      {"/#你好/#你好呀", true, "你好", "你好呀"},
      {"教你 /# 早安 /#早上好", true, "早安", "早上好"},
      {"/#\xA1\xA1早安\xA1\xA1/#早上好", true, "早安", "早上好"},
      {"/#早安/# 早上好", true, "早安", " 早上好"},
      {"/#a/#b/#c", true, "a", "b/#c"},
      {"/#a/##b", true, "a", "#b"},
      {"/#\t早安/#早", true, "\t早安", "早"},
      {"/#/#早上好", false, "", ""},
      {"/# /#早上好", false, "", ""},
      {"/#早安/#", false, "", ""},
      {"/#早安", false, "", ""},
      {"没有命令", false, "", ""},
  };
  for (const Case& c : kCases) {
    LearningCommand command = ParseLearningCommand(c.message);
    EXPECT_EQ(command.found, c.found) << c.message;
    if (c.found) {
      EXPECT_EQ(command.keyword, c.keyword) << c.message;
      EXPECT_EQ(command.reply, c.reply) << c.message;
    }
  }
}

TEST(LearningCommand, BytesThatWouldBreakTheFileAreNotRecorded) {
  const std::string kCases[] = {
      Bytes("/#早\0安/#早上好"), "/#早\r\n#安/#早上好", Bytes("/#早安/#早\0上好")};
  for (const std::string& message : kCases) EXPECT_FALSE(ParseLearningCommand(message).found);
}

class AutoRecordFileTest : public ::testing::Test {
 protected:
  AutoRecordResult Record(const std::string& message, int kind = 0) {
    return TryAutoRecord(run.path(), &file, &active, settings, message, kind);
  }
  std::string RecordFile() { return run.Read(run.Thesaurus(kAutoRecordThesaurus)); }

  TestRunDirectory run;
  AutoRecordFile file;
  ActiveThesauri active;
  RobotSettings settings;
};

TEST_F(AutoRecordFileTest, FirstWriteHasNoLeadingLineBreakAndLaterOnesDo) {
  active.Set({"别的"});
  AutoRecordResult first = Record("/#你好/#你好呀");
  EXPECT_TRUE(first.recorded);
  EXPECT_EQ(first.reply, "记录成功，发送[你好]试试吧!");
  EXPECT_EQ(RecordFile(), "#你好\r\n你好呀");
  EXPECT_TRUE(Record("/#你好/#再会[br]明天见", 3).recorded);
  EXPECT_EQ(RecordFile(), "#你好\r\n你好呀\r\n#你好\r\n再会[br]明天见");
  EXPECT_EQ(active.Names(), (std::vector<std::string>{"别的", "自动记录词库"}));
  // Both taught replies are candidates.
  std::string text = CombineThesaurusTexts(run.path(), active.Names());
  EXPECT_EQ(ThesaurusCandidates(text, "你好"), (std::vector<std::string>{"你好呀", "再会[br]明天见"}));
}

TEST_F(AutoRecordFileTest, SwitchPerKind) {
  struct Case {
    bool RobotSettings::*field;
    int kind;
  } const kCases[] = {{&RobotSettings::recordFriend, 0},
                      {&RobotSettings::recordGroup, 1},
                      {&RobotSettings::recordTemp, 2},
                      {&RobotSettings::recordDiscussion, 3}};
  for (const Case& c : kCases) {
    settings = RobotSettings();
    settings.*c.field = false;
    EXPECT_FALSE(Record("/#a/#b", c.kind).recorded) << c.kind;
    for (int other = 0; other < 4; ++other) {
      if (other != c.kind) {
        EXPECT_TRUE(Record("/#a/#b", other).recorded) << other;
      }
    }
  }
  EXPECT_FALSE(Record("/#a/#b", 4).recorded);
}

TEST_F(AutoRecordFileTest, FailedWriteIsNotRecordedButStillActivates) {
  RemoveFolderTree(run.path() + "\\Thesaurus");
  ASSERT_TRUE(ReplaceWholeFile(run.path() + "\\Thesaurus", "not a folder"));
  EXPECT_FALSE(Record("/#a/#b").recorded);
  EXPECT_EQ(active.Names(), (std::vector<std::string>{"自动记录词库"}));
}

TEST_F(AutoRecordFileTest, RecordingsTogetherGiveWholeEntries) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 5; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 20; ++i) Record("/#k" + std::to_string(t) + "/#r" + std::to_string(i));
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::string text = "\r\n" + RecordFile() + "\r\n";
  for (int t = 0; t < 5; ++t) {
    EXPECT_EQ(ThesaurusCandidates(text, "k" + std::to_string(t)).size(), 20u) << t;
  }
}

}  // namespace
