// The console's terminal: texts in and out (GBK inside, the terminal's encoding outside),
// one writer at a time, and standard input read on its own thread so that the main loop
// and the captcha prompt can wait for a line and still notice Ctrl-C or SIGTERM.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

std::string ToTerminalText(std::string_view gbk);
std::string FromTerminalText(std::string_view text);
// A GBK path with the separators this system prints.
std::string DisplayPath(std::string_view path);

// Any thread. A line end is added; "\r\n" inside the text becomes a plain line end.
void WriteOutputLine(std::string_view gbk);
void WriteErrorLine(std::string_view gbk);
// A message box as the windowed program would show it: title, then the text.
void WriteMessageBox(std::string_view title, std::string_view text);

// Installs the SIGINT/SIGTERM handlers; StopRequested turns true once one arrives.
void InstallStopSignals();
bool StopRequested();

enum class LineWait { kLine, kEnd, kStopped };

// Standard input, one GBK line at a time.
class InputLines {
 public:
  // Starts the reader thread; it stays blocked in the read until input ends.
  void Start();
  // Waits for the next line, the end of input or a stop signal.
  LineWait Next(std::string* line);

 private:
  void ReadAll();
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> lines_;  // guarded by mutex_
  bool ended_ = false;             // guarded by mutex_
};
