// The message view's rows: source, local time to the minute, content; newest first. Rows may
// be added from any thread; observers hear of every new row and of clearing.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ThreadAnnotations.h"
#include "zuvo/platform/Clock.h"

// Minute resolution, packed so a row costs four bytes of time.
struct LogTime {
  uint32_t packed = 0;  // year:12 month:4 day:5 hour:5 minute:6
};
LogTime ToLogTime(const LocalTime& time);
LocalTime FromLogTime(LogTime time);
// "9:5 2014/7/3": hour:minute year/month/day without leading zeros.
std::string FormatLogTime(LogTime time);

struct LogRow {
  std::string source;
  std::string content;
  LogTime time;
};

struct LogObserver {
  // Called on the adding thread after the row is in the model.
  std::function<void(const LogRow& row)> rowAdded;
  // Called on the clearing thread after the model is empty.
  std::function<void()> cleared;
};

class MessageLog {
 public:
  // Inserts a row at the top with the current local time.
  void AddLogLine(std::string_view source, std::string_view content);
  void AddLogLineAt(std::string_view source, std::string_view content, const LocalTime& time);
  void ClearLog();

  size_t RowCount() const;
  // Row 0 is the newest. False when `index` is past the end.
  bool RowAt(size_t index, LogRow* row) const;
  // Newest first.
  std::vector<LogRow> Rows() const;
  // Newest first, under the lock: `visit` must not call back into the log.
  void ForEachRow(const std::function<void(const LogRow& row)>& visit) const;

  // The id is for Unsubscribe. An observer must not subscribe or unsubscribe from its calls;
  // after Unsubscribe returns, it is not called again.
  int Subscribe(LogObserver observer);
  void Unsubscribe(int id);

 private:
  struct Subscription {
    int id;
    LogObserver observer;
  };
  mutable EngineMutex rowsMutex_;
  std::deque<LogRow> rows_ ENGINE_GUARDED_BY(rowsMutex_);  // oldest first
  EngineMutex observersMutex_;  // held while observers run, so Unsubscribe waits for them
  std::vector<Subscription> observers_ ENGINE_GUARDED_BY(observersMutex_);
  int nextObserverId_ ENGINE_GUARDED_BY(observersMutex_) = 1;
};

// What "查看" shows for a row and what it copies on Yes.
struct LogEntryView {
  std::string title;          // source + " " + time
  std::string text;           // content + "\r\n\r\n--- 是否复制以上内容？"
  std::string clipboardText;  // source + " " + time + CR LF + TAB + content
};
LogEntryView DescribeLogEntry(const LogRow& row);
// Asks through `askYesNo(title, text)` and puts the clipboard text on the clipboard on Yes.
// True when the text was copied.
bool ShowLogEntry(const LogRow& row,
                  const std::function<bool(const std::string& title, const std::string& text)>& askYesNo);

// "2014年7月3日9时5分7秒", dropping the trailing zero fields as the export names do.
std::string LogExportFileStem(const LocalTime& time);

struct LogExportResult {
  bool written = false;
  std::string path;     // run directory + "\Userdata\" + QQ + "\Messagelog\" + stem + ".log"
  std::string message;  // for the "提示" box: success, or why it failed
};
// Writes every row, newest first, as source TAB time TAB content CR LF; replaces a file of
// the same name.
LogExportResult ExportLog(const MessageLog& log, std::string_view runDirectory,
                          std::string_view qqNumber, const LocalTime& now);
