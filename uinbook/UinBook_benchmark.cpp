// Lookups through the exports among 100,000 pairs, numbers and uins in the service's form.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "UinBook.h"
#include "zuvo/platform/DynLib.h"
#include "zuvo/platform/Process.h"

namespace {

const int kPairs = 100000;

struct LoadedUinBook {
  DynLib* lib = nullptr;
  GetQQUinFunction getQQUin = nullptr;
  UinBookQQFunction uinBookQQ = nullptr;
  std::vector<std::string> numbers;
  std::vector<std::string> uins;
};

// Loaded and filled once for the whole program.
LoadedUinBook* FilledUinBook() {
  static LoadedUinBook* book = [] {
    auto* loaded = new LoadedUinBook;
    loaded->lib = LoadDynLib(RunDirectory() + "\\..\\run\\" UINBOOK_FILE_NAME);
    auto addQQUin = reinterpret_cast<AddQQUinFunction>(FindDynLibSymbol(loaded->lib, "AddQQUin"));
    loaded->getQQUin = reinterpret_cast<GetQQUinFunction>(FindDynLibSymbol(loaded->lib, "GetQQUin"));
    loaded->uinBookQQ = reinterpret_cast<UinBookQQFunction>(FindDynLibSymbol(loaded->lib, "UinBookQQ"));
    if (!addQQUin || !loaded->getQQUin || !loaded->uinBookQQ) {
      std::fprintf(stderr, "cannot load UinBook\n");
      std::exit(1);
    }
    for (int i = 0; i < kPairs; ++i) {
      loaded->numbers.push_back(std::to_string(100000000 + i * 7919));
      loaded->uins.push_back(std::to_string(2000000000LL + i * 104729LL));
      addQQUin(loaded->numbers.back().c_str(), loaded->uins.back().c_str());
    }
    return loaded;
  }();
  return book;
}

void BM_UinBookQQ(benchmark::State& state) {
  LoadedUinBook* book = FilledUinBook();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(book->uinBookQQ(book->uins[i].c_str()));
    i = (i + 7) % kPairs;
  }
}
BENCHMARK(BM_UinBookQQ);

void BM_GetQQUin(benchmark::State& state) {
  LoadedUinBook* book = FilledUinBook();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(book->getQQUin(book->numbers[i].c_str()));
    i = (i + 7) % kPairs;
  }
}
BENCHMARK(BM_GetQQUin);

void BM_UinBookQQMissing(benchmark::State& state) {
  LoadedUinBook* book = FilledUinBook();
  for (auto _ : state) benchmark::DoNotOptimize(book->uinBookQQ("1999999999"));
}
BENCHMARK(BM_UinBookQQMissing);

}  // namespace

BENCHMARK_MAIN();
