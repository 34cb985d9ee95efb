// Our INI reader and writer against the system's private-profile functions, on files the
// system may meet in the wild. The system is called through the W functions with text
// converted through code page 936, so the result does not depend on the ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Ini.h"
#include "zuvo/platform/Process.h"
#include "zuvo/platform/Text.h"

namespace {

const char kNone[] = "<none>";

std::wstring Wide(const std::string& gbk) {
  std::u16string text = GbkToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
}

std::string Narrow(const wchar_t* text, size_t length) {
  return Utf16ToGbk(std::u16string(text, text + length));
}

// What an ANSI caller with a 10,240-byte buffer gets: the W result, cut to 10,239 bytes
// without splitting a character.
std::string FitAnsiBuffer(const std::string& value) {
  size_t pos = 0;
  while (pos < value.size() && pos + GbkCharLength(value, pos) <= kIniValueBufferSize - 1) {
    pos += GbkCharLength(value, pos);
  }
  return value.substr(0, pos);
}

std::string SystemRead(const std::string& path, const std::string& section,
                       const std::string& key) {
  // Drop the system's cached copy: our writer replaces the file behind its back.
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(path).c_str());
  std::vector<wchar_t> buffer(kIniValueBufferSize);
  DWORD length = GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                          Wide(kNone).c_str(), buffer.data(),
                                          static_cast<DWORD>(buffer.size()), Wide(path).c_str());
  return FitAnsiBuffer(Narrow(buffer.data(), length));
}

bool SystemWrite(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
  return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                    Wide(value).c_str(), Wide(path).c_str()) != 0;
}

struct Query {
  std::string section;
  std::string key;
};

std::string LongGbk(size_t characters) {
  std::string text;
  for (size_t i = 0; i < characters; ++i) text += "好";
  return text;
}

const char kOddLines[] =
    "k0=top\n"
    "[a]\n"
    "  key  =  v 1 \t \n"
    "q1=\"dq\"\nq2='sq'\nq3=\"left\nq4=right\"\nq5=\"mixed'\nq6=\"\nq7=\"\"\n"
    "q8= \" sp \" \nq9=\"a\"b\"\nq10=' \"x\" '\n"
    "dup=first\ndup=second\n"
    "noeq\nnoeq=later\n"
    ";c=comment\n; plain comment\n#h=hash\n"
    "KEYCASE=up\nMixed.Case=m\n"
    "wide=　x　\n"
    "[ b ]\nx=b1\n"
    "[A]\nonly2=in second\ndup=third\n"
    "[c]junk\ny=c1\n"
    "[d\nz=d1\n"
    "[e]]\nw=e1\n"
    "[x\xB0\x5D\nk5=v5\n"
    "[\n"
    "机器=gbkkey\n机器人设置 = 键\n"
    "[机器人设置]\n昵称=机器人\n聊天字体.字体名称=宋体\n忽略QQ=;10001;10002;\n"
    "[机器人设置]\n昵称=second\n";

const Query kOddQueries[] = {
    {"", "k0"},        {"a", "key"},         {"a", " key "},     {"A", "KEY"},
    {"a", "q1"},       {"a", "q2"},          {"a", "q3"},        {"a", "q4"},
    {"a", "q5"},       {"a", "q6"},          {"a", "q7"},        {"a", "q8"},
    {"a", "q9"},       {"a", "q10"},         {"a", "dup"},       {"a", "noeq"},
    {"a", ";c"},       {"a", "; plain comment"}, {"a", "#h"},    {"a", "keycase"},
    {"a", "mixed.case"}, {"a", "wide"},      {"a", "only2"},     {"b", "x"},
    {" b ", "x"},      {"c", "y"},           {"c]junk", "y"},    {"c", "z"},
    {"[d", "z"},       {"e]", "w"},          {"e", "w"},         {"e]", "机器"},
    {"e]", "[" },         {"e]", "k5"},         {"x\xB0", "k5"},   {"e]", "机器人设置"},
    {"机器人设置", "昵称"}, {"机器人设置", "聊天字体.字体名称"},
    {"机器人设置", "忽略QQ"}, {"机器人设置", "missing"}, {"nosuch", "x"}, {"a", "nosuch"},
};

std::string WithCrLf(const std::string& lines) {
  std::string text;
  for (char c : lines) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

class IniAgainstSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = RunDirectory() + "\\配置比较" + std::to_string(RandomBetween(0, 1 << 30));
    ASSERT_TRUE(CreateFolder(folder_));
  }
  void TearDown() override { RemoveFolderTree(folder_); }

  std::string NewFile(const std::string& bytes) {
    std::string path = folder_ + "\\文件" + std::to_string(++files_) + ".ini";
    EXPECT_TRUE(ReplaceWholeFile(path, bytes));
    return path;
  }

  void ExpectSameReads(const std::string& path, const std::vector<Query>& queries) {
    for (const Query& q : queries) {
      EXPECT_EQ(ReadIniText(path, q.section, q.key, kNone), SystemRead(path, q.section, q.key))
          << "[" << q.section << "] " << q.key << " in " << path;
    }
  }

  std::string folder_;
  int files_ = 0;
};

TEST_F(IniAgainstSystem, ReadsOddFilesAlike) {
  std::vector<Query> queries(std::begin(kOddQueries), std::end(kOddQueries));
  ExpectSameReads(NewFile(WithCrLf(kOddLines)), queries);
  ExpectSameReads(NewFile(kOddLines), queries);
  ExpectSameReads(folder_ + "\\missing.ini", queries);
}

TEST_F(IniAgainstSystem, CutsLongValuesAlike) {
  std::string ascii(12000, 'x');
  std::string gbk = LongGbk(6000);
  std::string path = NewFile("[s]\r\nascii=" + ascii + "\r\ngbk=" + gbk + "\r\nodd=x" + gbk +
                             "\r\nquoted=\"" + ascii + "\"\r\nexact=" + std::string(10239, 'y') +
                             "\r\n");
  ExpectSameReads(path, {{"s", "ascii"}, {"s", "gbk"}, {"s", "odd"}, {"s", "quoted"},
                         {"s", "exact"}});
}

TEST_F(IniAgainstSystem, SystemReadsWhatWeWrite) {
  std::string path = NewFile(WithCrLf(kOddLines));
  const Query written[] = {
      {"a", "key"},    {"A", "DUP"},       {"a", "noeq"},        {"a", "new"},
      {"c", "z"},      {"b", "x"},         {"机器人设置", "昵称"}, {"机器人设置", "好友验证_备注"},
      {"新节", "新键"}, {"", "top2"},
  };
  int n = 0;
  for (const Query& q : written) {
    ASSERT_TRUE(WriteIniText(path, q.section, q.key, "值" + std::to_string(++n))) << q.key;
  }
  ASSERT_TRUE(WriteIniText(path, "a", "quoted", "\"in quotes\""));
  ASSERT_TRUE(WriteIniText(path, "a", "spaced", "  padded  "));
  ASSERT_TRUE(WriteIniText(path, "a", "long", LongGbk(5200)));
  std::vector<Query> queries(std::begin(kOddQueries), std::end(kOddQueries));
  queries.insert(queries.end(), std::begin(written), std::end(written));
  queries.insert(queries.end(), {{"a", "quoted"}, {"a", "spaced"}, {"a", "long"}});
  ExpectSameReads(path, queries);

  std::string fresh = folder_ + "\\新文件.ini";
  ASSERT_TRUE(WriteIniText(fresh, "账号信息", "QQ号码", "10001"));
  ExpectSameReads(fresh, {{"账号信息", "QQ号码"}, {"账号信息", "QQ密码"}});
}

TEST_F(IniAgainstSystem, WeReadWhatTheSystemWrites) {
  std::string path = NewFile(kOddLines);
  const Query written[] = {
      {"a", "key"},  {"A", "DUP"},      {"a", "noeq"},   {"a", "new"},        {"b", "x"},
      {"c", "z"},    {"机器人设置", "昵称"}, {"新节", "新键"}, {"", "top2"},
  };
  int n = 0;
  for (const Query& q : written) {
    ASSERT_TRUE(SystemWrite(path, q.section, q.key, "值" + std::to_string(++n))) << q.key;
  }
  ASSERT_TRUE(SystemWrite(path, "a", "quoted", "'single'"));
  ASSERT_TRUE(SystemWrite(path, "a", "long", LongGbk(5200)));
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(path).c_str());
  std::vector<Query> queries(std::begin(kOddQueries), std::end(kOddQueries));
  queries.insert(queries.end(), std::begin(written), std::end(written));
  queries.insert(queries.end(), {{"a", "quoted"}, {"a", "long"}});
  ExpectSameReads(path, queries);

  std::string fresh = folder_ + "\\系统新文件.ini";
  ASSERT_TRUE(SystemWrite(fresh, "User", "List", "10001,10002,"));
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(fresh).c_str());
  EXPECT_EQ(ReadIniText(fresh, "user", "list", ""), "10001,10002,");
}

}  // namespace
