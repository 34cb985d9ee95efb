#include "zuvo/platform/Clock.h"

#include <chrono>
#include <mutex>
#include <random>

int64_t SteadyMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t RandomBetween(int64_t low, int64_t high) {
  static std::mutex mutex;
  static std::mt19937_64 generator = [] {
    std::random_device device;
    std::seed_seq seed{uint64_t(device()), uint64_t(device()),
                       uint64_t(std::chrono::system_clock::now().time_since_epoch().count()),
                       uint64_t(std::chrono::steady_clock::now().time_since_epoch().count())};
    return std::mt19937_64(seed);
  }();
  if (high <= low) return low;
  std::uniform_int_distribution<int64_t> pick(low, high);
  std::lock_guard<std::mutex> lock(mutex);
  return pick(generator);
}
