#include "zuvo/platform/Ini.h"

#include <gtest/gtest.h>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"

namespace {

std::string FreshFolder() {
  std::string folder = RunDirectory() + "\\配置测试" + std::to_string(RandomBetween(0, 1 << 30));
  EXPECT_TRUE(CreateFolder(folder));
  return folder;
}

std::string ReadBack(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(path, &bytes));
  return bytes;
}

// The odd layouts the system's reader accepts, with what it returns for them.
const char kOddFile[] =
    "k0=top\r\n"
    "[a]\r\n"
    "  key  =  v 1 \t \r\n"
    "q1=\"dq\"\r\nq2='sq'\r\nq3=\"left\r\nq4=right\"\r\nq5=\"mixed'\r\nq6=\"\r\nq7=\"\"\r\n"
    "q8= \" sp \" \r\nq9=\"a\"b\"\r\n"
    "dup=first\r\ndup=second\r\n"
    "noeq\r\nnoeq=later\r\n"
    ";c=comment\r\n#h=hash\r\n"
    "KEYCASE=up\r\n"
    "wide=　x　\r\n"
    "vt=\vy\v\r\nsub=\x1az\x1a\r\n"
    "[ b ]\r\nx=b1\r\n"
    "[A]\r\nonly2=in second\r\ndup=third\r\n"
    "[c]junk\r\ny=c1\r\n"
    "[d\r\nz=d1\r\n"
    "[e]]\r\nw=e1\r\n"
    "[x\xB0\x5D\r\nk5=v5\r\n"
    "机器=gbkkey\r\n"
    "lf=1\nlf2=2\ncr=3\rcr2=4\r\n"
    "[机器人设置]\r\n昵称=gbksec\r\n";

struct ReadCase {
  const char* section;
  const char* key;
  const char* expected;
};

TEST(Ini, ReadsOddLayoutsLikeTheSystem) {
  const ReadCase cases[] = {
      {"", "k0", "top"},          {"a", "key", "v 1"},       {"a", " key ", "v 1"},
      {"a", "q1", "dq"},          {"a", "q2", "sq"},         {"a", "q3", "\"left"},
      {"a", "q4", "right\""},     {"a", "q5", "\"mixed'"},   {"a", "q6", "\""},
      {"a", "q7", ""},            {"a", "q8", " sp "},       {"a", "q9", "a\"b"},
      {"a", "dup", "first"},      {"a", "noeq", "<def>"},    {"a", ";c", "comment"},
      {"a", "#h", "hash"},        {"A", "keycase", "up"},    {"a", "wide", "　x　"},
      {"a", "vt", "y"},           {"a", "sub", "z"},         {"a", "only2", "<def>"},
      {"b", "x", "b1"},           {" B ", "x", "b1"},        {"c", "y", "c1"},
      {"c]junk", "y", "<def>"},   {"c", "z", "d1"},          {"[d", "z", "<def>"},
      {"e]", "w", "e1"},          {"e", "w", "<def>"},       {"e]", "机器", "gbkkey"},
      {"e]", "lf", "1"},          {"e]", "lf2", "2"},        {"e]", "cr", "3"},
      {"e]", "cr2", "4"},         {"e]", "k5", "v5"},        {"x\xB0", "k5", "<def>"},
      {"机器人设置", "昵称", "gbksec"}, {"nosuch", "x", "<def>"},
  };
  IniFile file;
  file.SetText(kOddFile);
  for (const ReadCase& c : cases) {
    EXPECT_EQ(file.Get(c.section, c.key, "<def>"), c.expected)
        << "[" << c.section << "] " << c.key;
  }
}

TEST(Ini, NamesFoldOnlyAsciiLettersAndNeverATrailByte) {
  IniFile file;
  // 0x8141 and 0x8161 are two GBK characters whose trail bytes are "A" and "a".
  file.SetText("[Sec\x81\x41]\r\nKey\x81\x41=upper\r\nkey\x81\x61=lower\r\n");
  EXPECT_EQ(file.Get("sEC\x81\x41", "KEY\x81\x41", ""), "upper");
  EXPECT_EQ(file.Get("sec\x81\x41", "key\x81\x61", ""), "lower");
  EXPECT_EQ(file.Get("sec\x81\x61", "key\x81\x41", "none"), "none");
}

TEST(Ini, LongValuesAreCutToTheBufferWithoutSplittingACharacter) {
  std::string ascii(12000, 'x');
  std::string gbk;
  for (int i = 0; i < 6000; ++i) gbk += "好";
  IniFile file;
  file.SetText("[s]\r\nascii=" + ascii + "\r\ngbk=" + gbk + "\r\nodd=x" + gbk + "\r\nquoted=\"" +
               ascii + "\"\r\n");
  EXPECT_EQ(file.Get("s", "ascii", ""), std::string(10239, 'x'));
  EXPECT_EQ(file.Get("s", "gbk", ""), gbk.substr(0, 10238));
  EXPECT_EQ(file.Get("s", "odd", ""), "x" + gbk.substr(0, 10238));
  EXPECT_EQ(file.Get("s", "quoted", ""), std::string(10239, 'x'));
  EXPECT_EQ(file.Get("s", "missing", gbk), gbk.substr(0, 10238));
}

TEST(Ini, IntegersReadLikeTheSystem) {
  IniFile file;
  file.SetText("[n]\r\na=42\r\nb=-7x\r\nc=abc\r\nd=\r\ne=99999999999999\r\n");
  EXPECT_EQ(file.GetInt("n", "a", 5), 42);
  EXPECT_EQ(file.GetInt("n", "b", 5), -7);
  EXPECT_EQ(file.GetInt("n", "c", 5), 0);
  EXPECT_EQ(file.GetInt("n", "d", 5), 5);
  EXPECT_EQ(file.GetInt("n", "missing", 5), 5);
  EXPECT_EQ(file.GetInt("n", "e", 5), 2147483647);
}

struct WriteCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

TEST(Ini, WritesChangeOneLineAndKeepTheRest) {
  const WriteCase cases[] = {
      {"replace keeps LF ends and spacing elsewhere", "; head\n[a]\n x = 1 \n y = 2\n", "A", "X",
       "9", "; head\n[a]\nx=9\n y = 2\n"},
      {"new key goes before the blank lines ending its section",
       "[a]\r\nx=1\r\n\r\n\r\n[b]\r\nk=2\r\n", "a", "new", "v",
       "[a]\r\nx=1\r\nnew=v\r\n\r\n\r\n[b]\r\nk=2\r\n"},
      {"new key in an empty section", "[a]\r\n[b]\r\n", "a", "k", "v", "[a]\r\nk=v\r\n[b]\r\n"},
      {"last line without a line end", "[a]\r\nx=1", "a", "y", "2", "[a]\r\nx=1\r\ny=2\r\n"},
      {"missing section at the end", "[a]\nx=1", "机器人设置", "昵称", "甲",
       "[a]\nx=1\r\n[机器人设置]\r\n昵称=甲\r\n"},
      {"empty file", "", "s", "k", "v", "[s]\r\nk=v\r\n"},
      {"first of duplicate keys and sections", "[a]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\n", "a", "k",
       "x", "[a]\r\nk=x\r\nk=2\r\n[a]\r\nk=3\r\n"},
      {"line without equals becomes the key's line", "[a]\r\nnoeq\r\nnoeq=later\r\n", "a",
       "noeq", "set", "[a]\r\nnoeq=set\r\nnoeq=later\r\n"},
      {"line breaks in a value cannot add keys", "[a]\r\n", "a", "k", "l1\r\nl2=x",
       "[a]\r\nk=l1  l2=x\r\n"},
      {"keys before the first section", "top=1\r\n[a]\r\n", "", "top2", "2",
       "top=1\r\ntop2=2\r\n[a]\r\n"},
  };
  for (const WriteCase& c : cases) {
    IniFile file;
    file.SetText(c.before);
    EXPECT_TRUE(file.Set(c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(file.Text(), c.after) << c.name;
  }
}

TEST(Ini, RefusesNamesThatWouldReadBackAsSomethingElse) {
  IniFile file;
  file.SetText("[a]\r\n");
  for (const char* key : {"", "  ", "a=b", "[x]", "a\r\nb"}) {
    EXPECT_FALSE(file.Set("a", key, "v")) << key;
  }
  EXPECT_FALSE(file.Set("a\nb", "k", "v"));
  EXPECT_FALSE(file.Set("ab\xBE", "k", "v"));  // 0xBE 0x5D is one character
  EXPECT_EQ(file.Text(), "[a]\r\n");
}

TEST(Ini, FileRoutesAgreeAndWritesAreAtomicReplacements) {
  std::string folder = FreshFolder();
  std::string path = folder + "\\ZuvoRobot.ini";
  EXPECT_EQ(ReadIniText(path, "s", "k", "默认"), "默认");
  EXPECT_EQ(ReadIniInt(path, "s", "k", 9), 9);
  ASSERT_TRUE(WriteIniText(path, "机器人设置", "聊天字体.字体大小", "12"));
  ASSERT_TRUE(WriteIniText(path, "机器人设置", "昵称", " 机器人 "));
  EXPECT_EQ(ReadBack(path), "[机器人设置]\r\n聊天字体.字体大小=12\r\n昵称= 机器人 \r\n");
  EXPECT_EQ(ReadIniInt(path, "机器人设置", "聊天字体.字体大小", 9), 12);
  EXPECT_EQ(ReadIniText(path, "机器人设置", "昵称", ""), "机器人");

  IniFile file;
  ASSERT_TRUE(file.Load(path));
  EXPECT_EQ(file.Get("机器人设置", "昵称", ""), "机器人");
  ASSERT_TRUE(file.Set("机器人设置", "昵称", "乙"));
  ASSERT_TRUE(file.Save());
  EXPECT_EQ(ReadIniText(path, "机器人设置", "昵称", ""), "乙");

  EXPECT_FALSE(WriteIniText(folder + "\\nosuch\\x.ini", "s", "k", "v"));
  EXPECT_FALSE(WriteIniText(folder, "s", "k", "v"));  // a folder, not a file
  EXPECT_TRUE(RemoveFolderTree(folder));
}

TEST(Ini, HostileTextNeitherCrashesNorHangs) {
  const std::string nul("[a]\r\nk=ab\0cd\r\nn\0x=1\r\n[b\0]\r\n", 28);
  IniFile file;
  file.SetText(nul);
  EXPECT_EQ(file.Get("a", "k", ""), "ab");
  EXPECT_EQ(file.Get("a", "n", ""), "1");
  EXPECT_TRUE(file.Set("a", std::string("k\0z", 3), std::string("v\0w", 3)));
  EXPECT_EQ(file.Get("a", "k", ""), "v");

  for (const char* text : {"[", "[\r\n[", "=", "[]", "]\r\n[=", "\x81", "k=\x81", "[\x81]"}) {
    IniFile odd;
    odd.SetText(text);
    EXPECT_EQ(odd.Get("", "k", "d").size() <= 1u, true) << text;
    EXPECT_TRUE(odd.Set("s", "k", "v")) << text;
    EXPECT_EQ(odd.Get("s", "k", ""), "v") << text;
  }

  IniFile huge;
  huge.SetText("[s]\r\nk=" + std::string(50 << 20, 'a'));
  EXPECT_EQ(huge.Get("s", "k", "").size(), kIniValueBufferSize - 1);
  EXPECT_TRUE(huge.Set("s", "j", "v"));
  EXPECT_EQ(huge.Get("s", "j", ""), "v");
  huge.SetText(std::string(50 << 20, '\n'));
  EXPECT_EQ(huge.Get("s", "k", "d"), "d");
}

}  // namespace
