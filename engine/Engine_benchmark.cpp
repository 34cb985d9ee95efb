// Reply choice over large thesauri, and the message view with a million rows.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>

#include "engine/FakeRobotClient.h"
#include "engine/MessageLog.h"
#include "engine/Thesaurus.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"

namespace {

// Ten files, 200,000 entries, about 10 MB: keywords unique, one reply in four with templates.
std::string MakeThesaurusRun() {
  std::string run = RunDirectory() + "\\engine_benchmark_run";
  CreateFolderTree(run + "\\Thesaurus");
  for (int file = 0; file < 10; ++file) {
    std::string text;
    for (int entry = 0; entry < 20000; ++entry) {
      int id = file * 20000 + entry;
      text += "#关键词" + std::to_string(id) + "\r\n";
      text += (entry % 4 == 0) ? "你好[QName]，这是第" : "这是词库里的第";
      text += std::to_string(id) + "条回复，欢迎再来聊天\r\n";
    }
    ReplaceWholeFile(run + "\\Thesaurus\\词库" + std::to_string(file) + ".zc", text);
  }
  return run;
}

void BM_ChooseThesaurusReply(benchmark::State& state) {
  static const std::string run = MakeThesaurusRun();
  FakeRobotClient client;
  client.nicknames["u1"] = "小明";
  ActiveThesauri active;
  std::vector<std::string> names;
  int64_t bytes = 0;
  for (int file = 0; file < 10; ++file) {
    names.push_back("词库" + std::to_string(file));
    bytes += FileSize(ThesaurusFilePath(run, names.back()));
  }
  active.Set(names);
  TemplateSources templates{"小助手", &client};
  for (auto _ : state) {
    std::string reply = ChooseThesaurusReply(run, active, templates, "关键词123456", "u1", "u1");
    benchmark::DoNotOptimize(reply);
  }
  state.counters["thesaurus_MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_ChooseThesaurusReply)->Unit(benchmark::kMillisecond);

void BM_MessageLogMillionRows(benchmark::State& state) {
  for (auto _ : state) {
    size_t before = mallinfo2().uordblks;
    auto* log = new MessageLog;
    for (int i = 0; i < 1000000; ++i) log->AddLogLine("消息", "短内容");  // within the string's own buffer
    size_t after = mallinfo2().uordblks;
    state.counters["bytes_per_row"] = double(after - before) / 1e6;
    delete log;
  }
}
BENCHMARK(BM_MessageLogMillionRows)->Unit(benchmark::kMillisecond)->Iterations(1);

MessageLog gSharedLog;

void BM_AddLogLineFromThreads(benchmark::State& state) {
  std::string content = "接收至群：50001：成员：10002：内容：大家好";
  for (auto _ : state) gSharedLog.AddLogLine("消息", content);
  if (state.thread_index() == 0) state.counters["rows"] = double(gSharedLog.RowCount());
}
BENCHMARK(BM_AddLogLineFromThreads)->Threads(1)->Threads(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
