// A throw-away run directory with its "Thesaurus" folder, removed when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"

class TestRunDirectory {
 public:
  TestRunDirectory()
      : path_(RunDirectory() + "\\引擎测试" + std::to_string(RandomBetween(0, 1 << 30))) {
    EXPECT_TRUE(CreateFolderTree(path_ + "\\Thesaurus"));
  }
  ~TestRunDirectory() { RemoveFolderTree(path_); }
  const std::string& path() const { return path_; }
  std::string Thesaurus(const std::string& name) const { return path_ + "\\Thesaurus\\" + name + ".zc"; }
  void WriteThesaurus(const std::string& name, const std::string& content) const {
    ASSERT_TRUE(ReplaceWholeFile(Thesaurus(name), content));
  }
  std::string Read(const std::string& file) const {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(file, &bytes)) << file;
    return bytes;
  }

 private:
  std::string path_;
};
