#include "engine/MessageLog.h"

#include <cstdio>

#include "zuvo/platform/Clipboard.h"
#include "zuvo/platform/File.h"

LogTime ToLogTime(const LocalTime& time) {
  LogTime packed;
  packed.packed = (uint32_t(time.year) & 0xFFF) << 20 | (uint32_t(time.month) & 0xF) << 16 |
                  (uint32_t(time.day) & 0x1F) << 11 | (uint32_t(time.hour) & 0x1F) << 6 |
                  (uint32_t(time.minute) & 0x3F);
  return packed;
}

LocalTime FromLogTime(LogTime time) {
  LocalTime local;
  local.year = int(time.packed >> 20 & 0xFFF);
  local.month = int(time.packed >> 16 & 0xF);
  local.day = int(time.packed >> 11 & 0x1F);
  local.hour = int(time.packed >> 6 & 0x1F);
  local.minute = int(time.packed & 0x3F);
  return local;
}

std::string FormatLogTime(LogTime time) {
  LocalTime t = FromLogTime(time);
  char text[48];
  std::snprintf(text, sizeof text, "%d:%d %d/%d/%d", t.hour, t.minute, t.year, t.month, t.day);
  return text;
}

void MessageLog::AddLogLine(std::string_view source, std::string_view content) {
  AddLogLineAt(source, content, LocalTimeNow());
}

void MessageLog::AddLogLineAt(std::string_view source, std::string_view content,
                              const LocalTime& time) {
  LogRow row{std::string(source), std::string(content), ToLogTime(time)};
  {
    EngineLock lock(rowsMutex_);
    rows_.push_back(row);
  }
  EngineLock lock(observersMutex_);
  for (const Subscription& subscription : observers_) {
    if (subscription.observer.rowAdded) subscription.observer.rowAdded(row);
  }
}

void MessageLog::ClearLog() {
  std::deque<LogRow> old;
  {
    EngineLock lock(rowsMutex_);
    old.swap(rows_);
  }
  EngineLock lock(observersMutex_);
  for (const Subscription& subscription : observers_) {
    if (subscription.observer.cleared) subscription.observer.cleared();
  }
}

size_t MessageLog::RowCount() const {
  EngineLock lock(rowsMutex_);
  return rows_.size();
}

bool MessageLog::RowAt(size_t index, LogRow* row) const {
  EngineLock lock(rowsMutex_);
  if (index >= rows_.size()) return false;
  *row = rows_[rows_.size() - 1 - index];
  return true;
}

std::vector<LogRow> MessageLog::Rows() const {
  EngineLock lock(rowsMutex_);
  return std::vector<LogRow>(rows_.rbegin(), rows_.rend());
}

void MessageLog::ForEachRow(const std::function<void(const LogRow& row)>& visit) const {
  EngineLock lock(rowsMutex_);
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) visit(*it);
}

int MessageLog::Subscribe(LogObserver observer) {
  EngineLock lock(observersMutex_);
  int id = nextObserverId_++;
  observers_.push_back({id, std::move(observer)});
  return id;
}

void MessageLog::Unsubscribe(int id) {
  EngineLock lock(observersMutex_);
  for (auto it = observers_.begin(); it != observers_.end(); ++it) {
    if (it->id == id) {
      observers_.erase(it);
      return;
    }
  }
}

LogEntryView DescribeLogEntry(const LogRow& row) {
  std::string heading = row.source + " " + FormatLogTime(row.time);
  return {heading, row.content + "\r\n\r\n--- 是否复制以上内容？", heading + "\r\n\t" + row.content};
}

bool ShowLogEntry(const LogRow& row,
                  const std::function<bool(const std::string& title, const std::string& text)>& askYesNo) {
  LogEntryView view = DescribeLogEntry(row);
  if (!askYesNo || !askYesNo(view.title, view.text)) return false;
  return SetClipboardText(view.clipboardText);
}

std::string LogExportFileStem(const LocalTime& t) {
  char text[128];
  int used = std::snprintf(text, sizeof text, "%d年%d月%d日", t.year, t.month, t.day);
  if (t.second != 0) {
    std::snprintf(text + used, sizeof text - used, "%d时%d分%d秒", t.hour, t.minute, t.second);
  } else if (t.minute != 0) {
    std::snprintf(text + used, sizeof text - used, "%d时%d分", t.hour, t.minute);
  } else if (t.hour != 0) {
    std::snprintf(text + used, sizeof text - used, "%d时", t.hour);
  }
  return text;
}

LogExportResult ExportLog(const MessageLog& log, std::string_view runDirectory,
                          std::string_view qqNumber, const LocalTime& now) {
  LogExportResult result;
  std::string folder = std::string(runDirectory) + "\\Userdata\\" + std::string(qqNumber) + "\\Messagelog";
  result.path = folder + "\\" + LogExportFileStem(now) + ".log";
  std::string content;
  log.ForEachRow([&content](const LogRow& row) {
    content.append(row.source).append("\t").append(FormatLogTime(row.time)).append("\t");
    content.append(row.content).append("\r\n");
  });
  result.written = CreateFolderTree(folder) && ReplaceWholeFile(result.path, content);
  result.message = result.written ? "导出“" + result.path + "”成功。"
                                  : "导出“" + result.path + "”失败。";
  return result;
}
