// UinBook through its exports, loaded from the run directory the way the robot loads it.
#include "UinBook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "zuvo/platform/DynLib.h"
#include "zuvo/platform/Process.h"

namespace {

struct UinBookLibrary {
  DynLib* lib = nullptr;
  AddQQUinFunction addQQUin = nullptr;
  GetQQUinFunction getQQUin = nullptr;
  UinBookQQFunction uinBookQQ = nullptr;
};

std::string UinBookPath() { return RunDirectory() + "\\..\\run\\" UINBOOK_FILE_NAME; }

bool LoadUinBook(UinBookLibrary* book) {
  book->lib = LoadDynLib(UinBookPath());
  if (!book->lib) return false;
  book->addQQUin = reinterpret_cast<AddQQUinFunction>(FindDynLibSymbol(book->lib, "AddQQUin"));
  book->getQQUin = reinterpret_cast<GetQQUinFunction>(FindDynLibSymbol(book->lib, "GetQQUin"));
  book->uinBookQQ = reinterpret_cast<UinBookQQFunction>(FindDynLibSymbol(book->lib, "UinBookQQ"));
  return book->addQQUin && book->getQQUin && book->uinBookQQ;
}

class UinBookTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadUinBook(&book_)) << UinBookPath(); }
  void TearDown() override { Unload(); }

  void Reload() {
    Unload();
    ASSERT_TRUE(LoadUinBook(&book_)) << UinBookPath();
  }
  void Unload() {
    FreeDynLib(book_.lib);
    book_ = UinBookLibrary();
  }

  void Add(const char* number, const char* uin) { EXPECT_EQ(book_.addQQUin(number, uin), 1); }
  std::string UinOf(const char* number) { return book_.getQQUin(number); }
  std::string NumberOf(const char* uin) { return book_.uinBookQQ(uin); }
  std::string UinOf(const std::string& number) { return UinOf(number.c_str()); }
  std::string NumberOf(const std::string& uin) { return NumberOf(uin.c_str()); }

  UinBookLibrary book_;
};

struct AddStep {
  const char* number;
  const char* uin;
};

struct LookupStep {
  bool byUin;  // UinBookQQ when true, GetQQUin otherwise
  const char* query;
  const char* expected;
};

struct MapCase {
  const char* name;
  std::vector<AddStep> adds;
  std::vector<LookupStep> lookups;
};

const bool kByNumber = false;
const bool kByUin = true;

const MapCase kMapCases[] = {
    {"empty map", {},
     {{kByNumber, "10001", ""}, {kByUin, "5001", ""}, {kByNumber, "", ""}, {kByUin, "", ""},
      {kByNumber, nullptr, ""}, {kByUin, nullptr, ""}}},
    {"adding a known number replaces its uin",
     {{"10001", "5001"}, {"10001", "5002"}},
     {{kByNumber, "10001", "5002"}, {kByUin, "5002", "10001"}, {kByUin, "5001", ""}}},
    {"a replaced uin keeps the pair's place",
     {{"10001", "5001"}, {"10002", "5002"}, {"10001", "5002"}},
     {{kByUin, "5002", "10001"}, {kByUin, "5001", ""}, {kByNumber, "10002", "5002"}}},
    {"numbers match as whole texts",
     {{"4123", "1"}, {"123", "2"}},
     {{kByNumber, "123", "2"}, {kByNumber, "4123", "1"}, {kByNumber, "23", ""}, {kByNumber, "41234", ""},
      {kByNumber, "412", ""}, {kByUin, "1", "4123"}, {kByUin, "2", "123"}}},
    {"a shared uin gives the oldest number",
     {{"10001", "777"}, {"10002", "777"}, {"10003", "777"}},
     {{kByUin, "777", "10001"}, {kByNumber, "10002", "777"}}},
    {"the oldest holder of a uin gives it up and takes it back",
     {{"10001", "777"}, {"10002", "777"}, {"10001", "888"}},
     {{kByUin, "777", "10002"}, {kByUin, "888", "10001"}}},
    {"taking a uin back counts the number's place, not the time",
     {{"10001", "777"}, {"10002", "777"}, {"10001", "888"}, {"10001", "777"}},
     {{kByUin, "777", "10001"}, {kByUin, "888", ""}}},
    {"uins match as whole texts",
     {{"21", "177"}},
     {{kByUin, "77", ""}, {kByUin, "17", ""}, {kByUin, "1777", ""}, {kByUin, "177", "21"}}},
    {"an empty number is an ordinary key",
     {{"", "777"}, {"", "888"}, {"5", ""}},
     {{kByNumber, "", "888"}, {kByUin, "777", ""}, {kByUin, "888", ""}, {kByUin, "", "5"},
      {kByNumber, "5", ""}}},
    {"a null pointer is an empty text",
     {{nullptr, "777"}, {"10001", nullptr}, {"", "888"}},
     {{kByNumber, nullptr, "888"}, {kByNumber, "", "888"}, {kByNumber, "10001", ""}, {kByUin, nullptr, "10001"},
      {kByUin, "", "10001"}}},
    // The CR LF storage form would split such texts; whole texts must still match whole.
    {"line-end bytes stay inside their text",
     {{"1\r2", "3"}, {"4", "5\n6"}, {"7", "8\r\n9"}},
     {{kByNumber, "1", ""}, {kByNumber, "1\r2", "3"}, {kByUin, "2\r3", ""}, {kByUin, "3", "1\r2"},
      {kByUin, "5", ""}, {kByUin, "5\n6", "4"}, {kByNumber, "4", "5\n6"}, {kByUin, "9", ""},
      {kByNumber, "7", "8\r\n9"}}},
    {"GBK texts",
     {{"号码", "甲"}, {"号", "甲乙"}},
     {{kByNumber, "号码", "甲"}, {kByUin, "甲", "号码"}, {kByUin, "乙", ""}, {kByNumber, "码", ""}}},
};

TEST_F(UinBookTest, LookupsAfterAdds) {
  for (const MapCase& mapCase : kMapCases) {
    SCOPED_TRACE(mapCase.name);
    Reload();
    for (const AddStep& add : mapCase.adds) Add(add.number, add.uin);
    for (const LookupStep& lookup : mapCase.lookups) {
      std::string query = lookup.query ? lookup.query : "(null)";
      if (lookup.byUin) {
        EXPECT_EQ(NumberOf(lookup.query), lookup.expected) << "UinBookQQ(" << query << ")";
      } else {
        EXPECT_EQ(UinOf(lookup.query), lookup.expected) << "GetQQUin(" << query << ")";
      }
    }
  }
}

TEST_F(UinBookTest, ReloadingStartsWithAnEmptyMap) {
  Add("10001", "5001");
  ASSERT_EQ(UinOf("10001"), "5001");
  Reload();
  EXPECT_EQ(UinOf("10001"), "");
  EXPECT_EQ(NumberOf("5001"), "");
}

// The map as one text, each pair written as number CR uin LF, searched from its start.
class StorageText {
 public:
  void Add(const std::string& number, const std::string& uin) {
    size_t pair = FindPairOfNumber(number);
    if (pair == std::string::npos) {
      text_ += number + '\r' + uin + '\n';
      return;
    }
    size_t uinStart = pair + number.size() + 1;
    text_.replace(uinStart, text_.find('\n', uinStart) - uinStart, uin);
  }
  std::string UinOf(const std::string& number) const {
    size_t pair = FindPairOfNumber(number);
    if (pair == std::string::npos) return "";
    size_t uinStart = pair + number.size() + 1;
    return text_.substr(uinStart, text_.find('\n', uinStart) - uinStart);
  }
  std::string NumberOf(const std::string& uin) const {
    size_t cr = text_.find('\r' + uin + '\n');
    if (cr == std::string::npos) return "";
    size_t lf = text_.rfind('\n', cr);
    size_t numberStart = lf == std::string::npos ? 0 : lf + 1;
    return text_.substr(numberStart, cr - numberStart);
  }

 private:
  // With an LF put in front, the offset of the LF before a pair is the pair's own offset.
  size_t FindPairOfNumber(const std::string& number) const {
    return ('\n' + text_).find('\n' + number + '\r');
  }

  std::string text_;
};

// Short texts over two digits, so that empty texts, prefixes, suffixes and shared uins abound.
std::string RandomShortText(std::mt19937& random) {
  static const char kDigits[] = "12";
  std::string text(std::uniform_int_distribution<int>(0, 3)(random), '1');
  for (char& digit : text) digit = kDigits[std::uniform_int_distribution<int>(0, 1)(random)];
  return text;
}

TEST_F(UinBookTest, AgreesWithALinearScanOfTheStorageText) {
  for (unsigned seed : {1u, 2u, 3u, 20240601u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Reload();
    std::mt19937 random(seed);
    StorageText storage;
    for (int step = 0; step < 4000; ++step) {
      std::string number = RandomShortText(random);
      std::string uin = RandomShortText(random);
      switch (std::uniform_int_distribution<int>(0, 3)(random)) {
        case 0:
        case 1:
          storage.Add(number, uin);
          Add(number.c_str(), uin.c_str());
          break;
        case 2:
          ASSERT_EQ(UinOf(number), storage.UinOf(number)) << "step " << step << " GetQQUin(" << number << ")";
          break;
        default:
          ASSERT_EQ(NumberOf(uin), storage.NumberOf(uin)) << "step " << step << " UinBookQQ(" << uin << ")";
          break;
      }
    }
  }
}

TEST_F(UinBookTest, AResultStaysIntactUntilItsThreadCallsTheSameFunctionAgain) {
  Add("10001", "5001");
  Add("10002", "5002");
  const char* number = book_.uinBookQQ("5001");
  const char* uin = book_.getQQUin("10002");
  // Replacing the very pairs the results came from, and growing the map, leaves them alone.
  Add("10001", "6001");
  Add("10002", "6002");
  for (int i = 0; i < 2000; ++i) Add(std::to_string(20000 + i).c_str(), std::to_string(i).c_str());
  EXPECT_STREQ(number, "10001");
  EXPECT_STREQ(uin, "5002");
  // Each function keeps its own result.
  EXPECT_EQ(NumberOf("6002"), "10002");
  EXPECT_STREQ(uin, "5002");
  EXPECT_EQ(UinOf("10001"), "6001");
  EXPECT_EQ(NumberOf("5001"), "");
}

TEST_F(UinBookTest, OtherThreadsNeverDisturbAResult) {
  Add("10001", "5001");
  const char* number = book_.uinBookQQ("5001");
  const char* uin = book_.getQQUin("10001");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 500; ++i) {
        std::string own = std::to_string(t * 100000 + i);
        book_.addQQUin(own.c_str(), own.c_str());
        book_.uinBookQQ(own.c_str());
        book_.getQQUin(own.c_str());
        book_.uinBookQQ("5001");
        book_.getQQUin("10001");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_STREQ(number, "10001");
  EXPECT_STREQ(uin, "5001");
}

TEST_F(UinBookTest, ConcurrentAddsAndLookupsKeepEveryThreadsResults) {
  const int kThreads = 8;
  const int kRounds = 1500;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t, &failures] {
      std::string firstOf777;
      for (int i = 0; i < kRounds; ++i) {
        std::string number = std::to_string(1000000 * (t + 1) + i);
        std::string uin = "9" + number;
        book_.addQQUin(number.c_str(), uin.c_str());
        const char* uinResult = book_.getQQUin(number.c_str());
        const char* numberResult = book_.uinBookQQ(uin.c_str());
        // Every thread piles onto one uin; its oldest holder never changes once there.
        std::string shared = "7" + number;
        book_.addQQUin(shared.c_str(), "777");
        if (uin != uinResult || number != numberResult) ++failures;
        const char* oldest = book_.uinBookQQ("777");
        if (firstOf777.empty()) firstOf777 = oldest;
        if (firstOf777 != oldest || firstOf777[0] != '7') ++failures;
        // The other function's result survived this thread's calls and everyone else's.
        if (uin != uinResult) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(UinOf("1000000"), "91000000");
  EXPECT_EQ(NumberOf(std::string("9") + std::to_string(1000000 * kThreads + kRounds - 1)),
            std::to_string(1000000 * kThreads + kRounds - 1));
}

TEST_F(UinBookTest, ManyShortLivedThreads) {
  Add("10001", "5001");
  for (int wave = 0; wave < 25; ++wave) {
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 8; ++t) {
      threads.emplace_back([this, &failures] {
        if (std::string(book_.uinBookQQ("5001")) != "10001") ++failures;
        if (std::string(book_.getQQUin("10001")) != "5001") ++failures;
      });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(failures.load(), 0) << "wave " << wave;
  }
}

// A thread that used the library may end after the library is gone; its end must not
// call into the unloaded code.
TEST_F(UinBookTest, AThreadEndingAfterUnloadIsHarmless) {
  Add("10001", "5001");
  std::mutex mutex;
  std::condition_variable changed;
  bool lookedUp = false;
  bool unloaded = false;
  std::string seen;
  UinBookLibrary book = book_;
  std::thread user([&] {
    seen = book.uinBookQQ("5001");
    book.getQQUin("10001");
    std::unique_lock<std::mutex> lock(mutex);
    lookedUp = true;
    changed.notify_all();
    changed.wait(lock, [&] { return unloaded; });
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return lookedUp; });
  }
  Unload();
  {
    std::lock_guard<std::mutex> lock(mutex);
    unloaded = true;
    changed.notify_all();
  }
  user.join();
  EXPECT_EQ(seen, "10001");
  ASSERT_TRUE(LoadUinBook(&book_));
  EXPECT_EQ(UinOf("10001"), "");
}

}  // namespace
