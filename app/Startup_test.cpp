#include "app/Startup.h"

#include <gtest/gtest.h>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"

namespace {

bool Present() { return true; }
bool Missing() { return false; }

TEST(Startup, MissingHttpClientGivesTheFirstMessage) {
  PrerequisiteResult result = CheckPrerequisites(Missing);
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(result.title, "警告");
  EXPECT_EQ(result.text, "您的系统没有安装WinHttp.WinHttpRequest.5.1所以无法启动！");
  EXPECT_EQ(result.flags, 48);

  result = CheckPrerequisites(Present);
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(result.text, "");
}

TEST(Startup, WorkingFoldersAreCreatedAndExistingOnesKept) {
  std::string run = RunDirectory() + "\\启动测试" + std::to_string(RandomBetween(0, 1 << 30));
  ASSERT_TRUE(CreateFolder(run));
  CreateWorkingFolders(run);
  EXPECT_TRUE(IsFolder(run + "\\Thesaurus"));
  EXPECT_TRUE(IsFolder(run + "\\libzpl"));

  ASSERT_TRUE(ReplaceWholeFile(run + "\\Thesaurus\\词库.zc", "内容"));
  ASSERT_TRUE(CreateFolder(run + "\\libzpl\\插件"));
  CreateWorkingFolders(run);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(run + "\\Thesaurus\\词库.zc", &bytes));
  EXPECT_EQ(bytes, "内容");
  EXPECT_TRUE(IsFolder(run + "\\libzpl\\插件"));
  EXPECT_TRUE(RemoveFolderTree(run));
}

}  // namespace
