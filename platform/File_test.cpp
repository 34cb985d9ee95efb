#include "zuvo/platform/File.h"

#include <gtest/gtest.h>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/DynLib.h"
#include "zuvo/platform/Process.h"

namespace {

std::string FreshFolder() {
  std::string folder = RunDirectory() + "\\文件测试" + std::to_string(RandomBetween(0, 1 << 30));
  EXPECT_TRUE(CreateFolder(folder));
  return folder;
}

TEST(File, WholeFileOperationsOnGbkPaths) {
  std::string folder = FreshFolder();
  std::string file = folder + "\\词库.zc";
  EXPECT_FALSE(PathExists(file));
  EXPECT_EQ(FileSize(file), -1);
  std::string bytes("a\0\r\n\xCB\xCE", 6);
  ASSERT_TRUE(ReplaceWholeFile(file, bytes));
  ASSERT_TRUE(AppendToFile(file, "xyz"));
  std::string read;
  ASSERT_TRUE(ReadWholeFile(file, &read));
  EXPECT_EQ(read, bytes + "xyz");
  EXPECT_EQ(FileSize(file), 9);
  ASSERT_TRUE(ReplaceWholeFile(file, "new"));
  ASSERT_TRUE(ReadWholeFile(file, &read));
  EXPECT_EQ(read, "new");

  EXPECT_TRUE(CopyFileTo(file, folder + "/copy.zc", false));
  EXPECT_FALSE(CopyFileTo(file, folder + "/copy.zc", false));
  EXPECT_TRUE(CopyFileTo(file, folder + "/copy.zc", true));
  EXPECT_TRUE(RenamePath(folder + "/copy.zc", folder + "\\改名.zc"));
  ASSERT_TRUE(CreateFolderTree(folder + "\\子\\孙"));

  std::vector<FolderEntry> entries;
  ASSERT_TRUE(ListFolder(folder, &entries));
  ASSERT_EQ(entries.size(), 3u);  // byte order: 子 D7D3, 改名 B8C4, 词库 B4CA
  EXPECT_EQ(entries[0].name, "词库.zc");
  EXPECT_EQ(entries[1].name, "改名.zc");
  EXPECT_EQ(entries[2].name, "子");
  EXPECT_TRUE(entries[2].isFolder);
  EXPECT_EQ(entries[0].size, 3);

  EXPECT_TRUE(RemoveFile(folder + "\\改名.zc"));
  EXPECT_FALSE(RemoveFile(folder + "\\改名.zc"));
  EXPECT_TRUE(RemoveFolderTree(folder));
  EXPECT_FALSE(PathExists(folder));
  EXPECT_FALSE(ReadWholeFile(file, &read));
}

TEST(File, ParentFolderNeverSplitsAGbkCharacter) {
  EXPECT_EQ(ParentFolder("a\\b\\c"), "a\\b");
  EXPECT_EQ(ParentFolder("a/b"), "a");
  EXPECT_EQ(ParentFolder("abc"), "");
  EXPECT_EQ(ParentFolder("x\\\x95\x5C"), "x");  // 0x955C ends in the byte of a backslash
}

TEST(DynLib, MissingLibraryAndSymbolGiveNull) {
  EXPECT_EQ(LoadDynLib(RunDirectory() + "\\no-such-library.dll"), nullptr);
  EXPECT_EQ(FindDynLibSymbol(nullptr, "GetZpl"), nullptr);
  FreeDynLib(nullptr);
}

TEST(Clock, RandomStaysInRange) {
  for (int i = 0; i < 1000; ++i) {
    int64_t value = RandomBetween(7, 8);
    ASSERT_TRUE(value == 7 || value == 8);
  }
  EXPECT_EQ(RandomBetween(5, 5), 5);
  LocalTime now = LocalTimeNow();
  EXPECT_GE(now.year, 2024);
  EXPECT_GT(UnixSecondsNow(), 1700000000);
}

}  // namespace
