#include "engine/MessageLog.h"

#include <gtest/gtest.h>

#include <thread>

#include "engine/EngineTestSupport.h"
#include "zuvo/platform/Clipboard.h"

namespace {

LocalTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  LocalTime time;
  time.year = year, time.month = month, time.day = day;
  time.hour = hour, time.minute = minute, time.second = second;
  return time;
}

TEST(MessageLog, TimeTextHasNoLeadingZeros) {
  struct Case {
    LocalTime time;
    const char* text;
  } const kCases[] = {
      {At(2014, 7, 3, 9, 5, 42), "9:5 2014/7/3"},
      {At(2014, 12, 31, 23, 59), "23:59 2014/12/31"},
      {At(2015, 1, 1, 0, 0), "0:0 2015/1/1"},
  };
  for (const Case& c : kCases) EXPECT_EQ(FormatLogTime(ToLogTime(c.time)), c.text);
}

TEST(MessageLog, NewestRowFirstAndObserversHearOfAddsAndClearing) {
  MessageLog log;
  std::vector<std::string> heard;
  int clears = 0;
  int id = log.Subscribe({[&heard](const LogRow& row) { heard.push_back(row.content); },
                          [&clears] { ++clears; }});
  log.AddLogLineAt("系统", "一", At(2014, 7, 3, 9, 5, 1));
  log.AddLogLineAt("消息", "二", At(2014, 7, 3, 9, 5, 59));
  LogRow row;
  ASSERT_TRUE(log.RowAt(0, &row));
  EXPECT_EQ(row.source, "消息");
  EXPECT_EQ(row.content, "二");
  ASSERT_TRUE(log.RowAt(1, &row));
  EXPECT_EQ(row.content, "一");
  EXPECT_FALSE(log.RowAt(2, &row));
  // Same minute, same time text.
  EXPECT_EQ(FormatLogTime(log.Rows()[0].time), FormatLogTime(log.Rows()[1].time));
  EXPECT_EQ(heard, (std::vector<std::string>{"一", "二"}));

  log.ClearLog();
  EXPECT_EQ(log.RowCount(), 0u);
  EXPECT_EQ(clears, 1);
  log.Unsubscribe(id);
  log.AddLogLine("系统", "三");
  EXPECT_EQ(heard.size(), 2u);
}

TEST(MessageLog, RowsFromManyThreadsAreAllKeptWhole) {
  MessageLog log;
  std::vector<std::thread> threads;
  for (int t = 0; t < 5; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < 200; ++i) log.AddLogLine("消息", std::to_string(t) + ":" + std::to_string(i));
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<LogRow> rows = log.Rows();
  ASSERT_EQ(rows.size(), 1000u);
  std::vector<int> lastSeen(5, 200);  // newest first: each thread's numbers fall
  for (const LogRow& row : rows) {
    int thread = row.content[0] - '0';
    int number = std::stoi(row.content.substr(2));
    EXPECT_LT(number, lastSeen[thread]);
    lastSeen[thread] = number;
  }
}

TEST(MessageLog, EntryViewAndClipboardText) {
  LogRow row{"消息", "第一行[br]第二行", ToLogTime(At(2014, 7, 3, 9, 5))};
  LogEntryView view = DescribeLogEntry(row);
  EXPECT_EQ(view.title, "消息 9:5 2014/7/3");
  EXPECT_EQ(view.text, "第一行[br]第二行\r\n\r\n--- 是否复制以上内容？");
  EXPECT_EQ(view.clipboardText, "消息 9:5 2014/7/3\r\n\t第一行[br]第二行");

  EXPECT_FALSE(ShowLogEntry(row, [](const std::string&, const std::string&) { return false; }));
  ASSERT_TRUE(ShowLogEntry(row, [](const std::string&, const std::string&) { return true; }));
  std::string clipboard;
  ASSERT_TRUE(GetClipboardText(&clipboard));
  EXPECT_EQ(clipboard, view.clipboardText);
}

TEST(MessageLog, ExportFileNamesDropTrailingZeroFields) {
  struct Case {
    LocalTime time;
    const char* stem;
  } const kCases[] = {
      {At(2014, 7, 3, 9, 5, 7), "2014年7月3日9时5分7秒"},
      {At(2014, 7, 3, 9, 5, 0), "2014年7月3日9时5分"},
      {At(2014, 7, 3, 10, 0, 0), "2014年7月3日10时"},
      {At(2014, 7, 3, 0, 0, 0), "2014年7月3日"},
      {At(2014, 7, 3, 0, 0, 9), "2014年7月3日0时0分9秒"},
  };
  for (const Case& c : kCases) EXPECT_EQ(LogExportFileStem(c.time), c.stem);
}

TEST(MessageLog, ExportWritesNewestFirstAndReplacesTheSameName) {
  TestRunDirectory run;
  MessageLog log;
  log.AddLogLineAt("系统", "旧", At(2014, 7, 3, 9, 5));
  log.AddLogLineAt("验证", "新", At(2014, 7, 3, 10, 0));
  LocalTime now = At(2014, 7, 3, 10, 0, 0);
  LogExportResult first = ExportLog(log, run.path(), "10001", now);
  ASSERT_TRUE(first.written);
  EXPECT_EQ(first.path, run.path() + "\\Userdata\\10001\\Messagelog\\2014年7月3日10时.log");
  EXPECT_EQ(first.message, "导出“" + first.path + "”成功。");
  EXPECT_EQ(run.Read(first.path), "验证\t10:0 2014/7/3\t新\r\n系统\t9:5 2014/7/3\t旧\r\n");

  log.ClearLog();
  log.AddLogLineAt("系统", "只此一行", At(2014, 7, 3, 10, 0));
  ASSERT_TRUE(ExportLog(log, run.path(), "10001", now).written);
  EXPECT_EQ(run.Read(first.path), "系统\t10:0 2014/7/3\t只此一行\r\n");
}

TEST(MessageLog, ExportThatCannotWriteSaysSo) {
  TestRunDirectory run;
  ASSERT_TRUE(ReplaceWholeFile(run.path() + "\\Userdata", "a file where the folder should be"));
  MessageLog log;
  log.AddLogLine("系统", "行");
  LogExportResult result = ExportLog(log, run.path(), "10001", At(2014, 7, 3, 9, 5, 7));
  EXPECT_FALSE(result.written);
  EXPECT_EQ(result.message, "导出“" + result.path + "”失败。");
}

}  // namespace
