#include "engine/Thesaurus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "engine/EngineTestSupport.h"
#include "engine/FakeRobotClient.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ThesaurusMatching, PoolsAndFallbacks) {
  struct Case {
    const char* name;
    std::string text;  // combined and filled, as matching sees it
    std::string message;
    Lines candidates;
  } const kCases[] = {
      {"nothing active", "", "你好", {}},
      {"exact beats contains", "\r\n#你好\r\n甲\r\n#好\r\n乙\r\n", "你好", {"甲"}},
      {"contains when no exact", "\r\n#你好\r\n甲\r\n#好\r\n乙\r\n", "大家好", {"乙"}},
      {"every reply line counts", "\r\n#早\r\n一\r\n\r\n二\r\n#早\r\n三\r\n", "早", {"一", "二", "三"}},
      {"exact without lines goes to Gaia, not contains",
       "\r\n#你好\r\n\r\n#你\r\n乙\r\n#[Gaia]\r\n没听懂\r\n", "你好", {"没听懂"}},
      {"entry line right after entry line is skipped", "\r\n#甲\r\n#乙\r\n回应\r\n#[Gaia]\r\n默认\r\n", "甲",
       {"默认"}},
      {"keyword alone at the end of a file", "\r\n#再见\r\n#[Gaia]\r\n默认\r\n", "再见", {"默认"}},
      {"a lone # and its lines are skipped", "\r\n#\r\n孤立\r\n", "孤立", {}},
      {"leading space is kept: no exact", "\r\n# 你好\r\n甲\r\n", "你好", {}},
      {"leading space is kept: contains", "\r\n# 你好\r\n甲\r\n", "说 你好", {"甲"}},
      {"case is kept", "\r\n#Hi\r\n甲\r\n", "hi", {}},
      {"a [br] keyword matches a message of lines", "\r\n#早[br]安\r\n甲\r\n", "早[br]安", {"甲"}},
      {"[Gaia] as a reply line is plain text", "\r\n#你好\r\n[Gaia]\r\n", "你好", {"[Gaia]"}},
      {"[Gaia] keyword is exact", "\r\n#[gaia]\r\n甲\r\n", "x", {}},
      // 啊啊 is B0A1 B0A1: the bytes A1 B0 straddle two characters and must not match.
      {"no match across characters", "\r\n#\xA1\xB0\r\n甲\r\n", "\xB0\xA1\xB0\xA1", {}},
      {"text before the first entry belongs to none", "\r\n开头\r\n#你好\r\n甲\r\n", "开头", {}},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(ThesaurusCandidates(c.text, c.message), c.candidates) << c.name;
  }
}

class ThesaurusFiles : public ::testing::Test {
 protected:
  Lines Candidates(const Lines& names, const std::string& message, const std::string& sender = "") {
    std::string text = CombineThesaurusTexts(run.path(), names);
    FillReplyTemplatesInPlace(templates, &text, message, sender, nullptr);
    return ThesaurusCandidates(text, message);
  }
  TestRunDirectory run;
  FakeRobotClient client;
  TemplateSources templates{"小助手", &client};
};

TEST_F(ThesaurusFiles, FilesJoinAtTheirBoundaries) {
  run.WriteThesaurus("甲", "#你好\r\n甲一");  // as auto-record leaves it: no final line end
  run.WriteThesaurus("乙", "欢迎\r\n#再见\r\n乙一\r\n");
  run.WriteThesaurus("丙", "#早\r\n#结尾");  // keyword line without CR LF at the end
  run.WriteThesaurus("Gaia", "#[Gaia]\r\n默认\r\n");
  EXPECT_EQ(Candidates({"甲", "乙"}, "你好"), (Lines{"甲一", "欢迎"}));
  EXPECT_EQ(Candidates({"乙", "甲"}, "你好"), (Lines{"甲一"}));
  EXPECT_EQ(Candidates({"丙", "Gaia"}, "结尾"), (Lines{"默认"}));
  EXPECT_EQ(Candidates({"甲", "甲"}, "你好"), (Lines{"甲一", "甲一"}));
  EXPECT_EQ(Candidates({"缺", "甲"}, "你好"), (Lines{"甲一"}));
}

TEST_F(ThesaurusFiles, KeywordsAreFilledBeforeMatching) {
  client.nicknames["u1"] = "小明";
  run.WriteThesaurus("模板", "#[Kw]\r\n你说了[kw]\r\n#[ZuvoName]\r\n叫我？\r\n#问候\r\n你好[QName]\r\n");
  EXPECT_EQ(Candidates({"模板"}, "随便"), (Lines{"你说了随便"}));
  EXPECT_EQ(Candidates({"模板"}, "小助手"), (Lines{"你说了小助手", "叫我？"}));
  EXPECT_EQ(Candidates({"模板"}, "问候一下", "u1"), (Lines{"你说了问候一下"}));
}

TEST_F(ThesaurusFiles, NulEndsTheFileText) {
  const char kText[] = "#你好\r\n甲\0\r\n#后面\r\n乙\r\n";
  run.WriteThesaurus("坏", std::string(kText, sizeof kText - 1));
  EXPECT_EQ(Candidates({"坏"}, "你好"), (Lines{"甲"}));
  EXPECT_EQ(Candidates({"坏"}, "后面"), (Lines{}));
}

TEST_F(ThesaurusFiles, ChooseReadsAfreshAndDrawsEveryCandidate) {
  ActiveThesauri active;
  EXPECT_EQ(ChooseThesaurusReply(run.path(), active, templates, "你好", "s", "u"), "");
  active.Set({"词库"});
  run.WriteThesaurus("词库", "#你好\r\n一\r\n二\r\n");
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) seen.insert(ChooseThesaurusReply(run.path(), active, templates, "你好", "s", "u"));
  EXPECT_EQ(seen, (std::set<std::string>{"一", "二"}));
  run.WriteThesaurus("词库", "#你好\r\n三\r\n");
  EXPECT_EQ(ChooseThesaurusReply(run.path(), active, templates, "你好", "s", "u"), "三");
}

TEST_F(ThesaurusFiles, ActiveListLoadsExistingNamesAndSavesWithLineEnds) {
  run.WriteThesaurus("甲", "#a\r\nb");
  run.WriteThesaurus("乙", "");
  ASSERT_TRUE(ReplaceWholeFile(ActiveListFilePath(run.path()), "甲\r\n缺\r\n乙\r\n\r\n甲"));
  ActiveThesauri active;
  LoadActiveThesauri(run.path(), &active);
  EXPECT_EQ(active.Names(), (Lines{"甲", "乙", "甲"}));
  AddActiveThesaurus(&active, "乙");
  AddActiveThesaurus(&active, "丙");
  EXPECT_EQ(active.Names(), (Lines{"甲", "乙", "甲", "丙"}));
  ASSERT_TRUE(SaveActiveThesauri(run.path(), active));
  EXPECT_EQ(run.Read(ActiveListFilePath(run.path())), "甲\r\n乙\r\n甲\r\n丙\r\n");

  // An empty line names ".zc", kept only when that file exists.
  run.WriteThesaurus("", "");
  ActiveThesauri withEmpty;
  ASSERT_TRUE(ReplaceWholeFile(ActiveListFilePath(run.path()), "\r\n乙\r\n"));
  LoadActiveThesauri(run.path(), &withEmpty);
  EXPECT_EQ(withEmpty.Names(), (Lines{"", "乙"}));

  ActiveThesauri none;
  RemoveFile(ActiveListFilePath(run.path()));
  LoadActiveThesauri(run.path(), &none);
  EXPECT_TRUE(none.Names().empty());
}

TEST_F(ThesaurusFiles, ListPutsSubFoldersFirst) {
  std::string folder = ThesaurusFolderPath(run.path());
  ASSERT_TRUE(CreateFolderTree(folder + "\\子\\孙"));
  ASSERT_TRUE(CreateFolder(folder + "\\b"));
  for (const char* file : {"\\z.zc", "\\a.zc", "\\说明.txt", "\\子\\孙\\深.ZC", "\\子\\中.zc", "\\b\\乙.zc"}) {
    ASSERT_TRUE(ReplaceWholeFile(folder + file, ""));
  }
  Lines expected = {folder + "\\b\\乙.zc", folder + "\\子\\孙\\深.ZC", folder + "\\子\\中.zc",
                    folder + "\\a.zc", folder + "\\z.zc"};
  EXPECT_EQ(ListThesaurusFiles(run.path()), expected);
  EXPECT_EQ(ThesaurusDisplayName(folder + "\\子\\孙\\深.ZC"), "深");
  EXPECT_EQ(ThesaurusDisplayName(folder + "\\a.b.zc"), "a.b");
}

}  // namespace

namespace {

TEST_F(ThesaurusFiles, BadBytesAndHugeFilesStillAnswer) {
  // Lone lead bytes, bytes no GBK character uses, a lead byte right before CR LF.
  run.WriteThesaurus("坏字节", "\xFF\x80#\r\n#你好\r\n\x81\r\n#\xFF\xFE\r\n甲\x81");
  EXPECT_EQ(Candidates({"坏字节"}, "你好"), (Lines{"\x81"}));
  EXPECT_EQ(Candidates({"坏字节"}, "\xFF\xFE"), (Lines{"甲\x81"}));

  // 50 MB on one line, every "[Kw]" hidden inside a character (81 5B), no byte below 0x40:
  // the worst case for finding character boundaries.
  std::string huge;
  huge.reserve(50u << 20);
  while (huge.size() < (50u << 20)) huge += "\x81[Kw]";
  run.WriteThesaurus("巨大", huge + "\r\n#你好\r\n[Kw]好\r\n");
  ActiveThesauri active;
  active.Set({"巨大"});
  int64_t start = SteadyMilliseconds();
  EXPECT_EQ(ChooseThesaurusReply(run.path(), active, templates, "你好", "s", "u"), "你好好");
  std::printf("50 MB thesaurus answered in %lld ms\n", static_cast<long long>(SteadyMilliseconds() - start));
}

}  // namespace
