#include "app/console/ConsoleIo.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "zuvo/platform/Text.h"

namespace {

std::mutex gWriteMutex;
volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void OnStopSignal(int) { gStopSignal = 1; }

std::string WithPlainLineEnds(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

void WriteLine(std::FILE* stream, std::string_view gbk) {
  std::string line = ToTerminalText(WithPlainLineEnds(gbk)) + "\n";
  std::lock_guard<std::mutex> lock(gWriteMutex);
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

}  // namespace

#if defined(_WIN32)
// A Simplified Chinese console runs code page 936, which is GBK: texts pass unchanged.
std::string ToTerminalText(std::string_view gbk) { return std::string(gbk); }
std::string FromTerminalText(std::string_view text) { return std::string(text); }
std::string DisplayPath(std::string_view path) { return std::string(path); }
#else
std::string ToTerminalText(std::string_view gbk) { return GbkToUtf8(gbk); }
std::string FromTerminalText(std::string_view text) { return Utf8ToGbk(text); }
std::string DisplayPath(std::string_view path) {
  std::string shown(path);
  for (size_t i = 0; i < shown.size(); i += GbkCharLength(shown, i)) {
    if (shown[i] == '\\') shown[i] = '/';  // a trail byte may be 0x5C, so walk by characters
  }
  return shown;
}
#endif

void WriteOutputLine(std::string_view gbk) { WriteLine(stdout, gbk); }
void WriteErrorLine(std::string_view gbk) { WriteLine(stderr, gbk); }

void WriteMessageBox(std::string_view title, std::string_view text) {
  WriteErrorLine("[" + std::string(title) + "] " + std::string(text));
}

void InstallStopSignals() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
}

bool StopRequested() { return gStopSignal != 0; }

void InputLines::Start() {
  std::thread([this] { ReadAll(); }).detach();
}

void InputLines::ReadAll() {
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(FromTerminalText(line));
    changed_.notify_all();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

LineWait InputLines::Next(std::string* line) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (StopRequested()) return LineWait::kStopped;
    if (!lines_.empty()) {
      *line = std::move(lines_.front());
      lines_.pop_front();
      return LineWait::kLine;
    }
    if (ended_) return LineWait::kEnd;
    // Signals cannot notify a condition variable, so look again now and then.
    changed_.wait_for(lock, std::chrono::milliseconds(200));
  }
}
