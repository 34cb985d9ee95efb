#include "pluginhost/PeExports.h"

#include <gtest/gtest.h>

#include <cstring>

#include "PluginTestSupport.h"

namespace {

// A one-section DLL image: the export directory, its name table and the names sit in a
// section at RVA 0x1000, file offset 0x200.
struct PeImage {
  std::string bytes = std::string(0x400, '\0');
  bool plus = false;
  uint32_t optional() const { return 64 + 24; }
  uint32_t directoryCount() const { return optional() + (plus ? 108 : 92); }
  uint32_t sectionTable() const { return optional() + (plus ? 240 : 224); }

  void Put16(uint32_t at, uint16_t v) { std::memcpy(&bytes[at], &v, 2); }
  void Put32(uint32_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }

  static PeImage Build(bool plus, const std::vector<std::string>& names) {
    PeImage image;
    image.plus = plus;
    image.bytes[0] = 'M';
    image.bytes[1] = 'Z';
    image.Put32(60, 64);
    std::memcpy(&image.bytes[64], "PE\0\0", 4);
    image.Put16(64 + 4, plus ? 0x8664 : 0x14c);
    image.Put16(64 + 6, 1);
    image.Put16(64 + 20, plus ? 240 : 224);
    image.Put16(image.optional(), plus ? 0x20b : 0x10b);
    image.Put32(image.directoryCount(), 16);
    image.Put32(image.directoryCount() + 4, 0x1000);  // export directory
    image.Put32(image.directoryCount() + 8, 0x100);
    uint32_t section = image.sectionTable();
    std::memcpy(&image.bytes[section], ".edata", 6);
    image.Put32(section + 8, 0x200);   // virtual size
    image.Put32(section + 12, 0x1000);  // virtual address
    image.Put32(section + 16, 0x200);  // raw size
    image.Put32(section + 20, 0x200);  // raw offset
    image.Put32(0x200 + 24, uint32_t(names.size()));
    image.Put32(0x200 + 32, 0x1000 + 40);
    uint32_t nameRva = 0x1000 + 40 + 4 * uint32_t(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      image.Put32(0x200 + 40 + 4 * uint32_t(i), nameRva);
      std::memcpy(&image.bytes[nameRva - 0x1000 + 0x200], names[i].c_str(), names[i].size() + 1);
      nameRva += uint32_t(names[i].size()) + 1;
    }
    return image;
  }
};

const std::vector<std::string> kNames = {"AddQQUin", "GetZpl", "UinBookQQ"};

TEST(ReadExportNames, ListsTheNamesOfPe32AndPe32PlusImages) {
  for (bool plus : {false, true}) {
    EXPECT_EQ(ReadExportNamesFromImage(PeImage::Build(plus, kNames).bytes), "AddQQUin\r\nGetZpl\r\nUinBookQQ") << plus;
    EXPECT_EQ(ReadExportNamesFromImage(PeImage::Build(plus, {}).bytes), "") << plus;
  }
}

TEST(ReadExportNames, EveryTruncationGivesNothing) {
  for (bool plus : {false, true}) {
    std::string full = PeImage::Build(plus, kNames).bytes;
    size_t lastNameEnd = full.rfind("UinBookQQ") + sizeof "UinBookQQ";
    for (size_t length = 0; length < lastNameEnd; ++length) {
      ASSERT_EQ(ReadExportNamesFromImage(full.substr(0, length)), "") << plus << " cut at " << length;
    }
  }
}

TEST(ReadExportNames, HostileHeadersAndTablesGiveNothing) {
  struct Case {
    const char* what;
    void (*spoil)(PeImage* image);
  } cases[] = {
      {"no MZ", [](PeImage* i) { i->bytes[0] = 'X'; }},
      {"NT headers past the end", [](PeImage* i) { i->Put32(60, 0xfffffff0); }},
      {"no PE signature", [](PeImage* i) { i->bytes[66] = 'X'; }},
      {"unknown optional magic", [](PeImage* i) { i->Put16(i->optional(), 0x107); }},
      {"optional header past the end", [](PeImage* i) { i->Put16(64 + 20, 0xffff); }},
      {"no data directories", [](PeImage* i) { i->Put32(i->directoryCount(), 0); }},
      {"empty export directory", [](PeImage* i) { i->Put32(i->directoryCount() + 8, 0); }},
      {"section table past the end", [](PeImage* i) { i->Put16(64 + 6, 0xffff); }},
      {"export directory outside the file", [](PeImage* i) { i->Put32(i->directoryCount() + 4, 0x7ffffff0); }},
      {"export directory beyond the raw data", [](PeImage* i) { i->Put32(i->sectionTable() + 16, 0x10); }},
      {"a billion names", [](PeImage* i) { i->Put32(0x200 + 24, 0x40000000); }},
      {"name table outside the file", [](PeImage* i) { i->Put32(0x200 + 32, 0xfffffff0); }},
      {"name outside the file", [](PeImage* i) { i->Put32(0x200 + 40, 0x00ffffff); }},
      {"name without its NUL", [](PeImage* i) {
         i->Put32(0x200 + 44, 0x1000 + 0x1f0);
         std::memset(&i->bytes[0x3f0], 'A', 16);
       }},
  };
  for (bool plus : {false, true}) {
    for (const Case& c : cases) {
      PeImage image = PeImage::Build(plus, kNames);
      c.spoil(&image);
      EXPECT_EQ(ReadExportNamesFromImage(image.bytes), "") << c.what << (plus ? " (PE32+)" : " (PE32)");
    }
  }
}

TEST(ReadExportNames, MissingAndNonPeFilesGiveNothing) {
  PluginRunDirectory run;
  std::string text = run.Plugin("Text.zpl");
  ASSERT_TRUE(ReplaceWholeFile(text, "MZ but nothing else"));
  EXPECT_EQ(ReadExportNames(text), "");
  EXPECT_EQ(ReadExportNames(run.Plugin("missing.zpl")), "");
#ifndef _WIN32
  EXPECT_EQ(ReadExportNames(ProbeFile("SystemProbe")), "");  // an ELF object
#endif
}

// The DLLs of the Windows builds of this tree, where they have been built: this build's own
// run directory (under Wine) and the 32- and 64-bit release folders beside it.
TEST(ReadExportNames, ListsTheExportsOfTheBuiltWindowsDlls) {
  struct Expected {
    const char* file;
    const char* names;
  } expected[] = {
      {"UinBook.dll", "AddQQUin\r\nGetQQUin\r\nUinBookQQ"},
      {"libzpl\\LookupPlugin.zpl", "GetZpl"},
      {"libzpl\\TemplatePlugin.zpl", "GetZpl"},
  };
  std::string tests = RunDirectory();
  std::vector<std::string> runDirectories = {tests + "\\..\\..\\win32\\run", tests + "\\..\\..\\win64\\run"};
  int checked = 0;
  for (const std::string& runDirectory : runDirectories) {
    for (const Expected& e : expected) {
      std::string path = runDirectory + "\\" + e.file;
      if (!PathExists(path)) continue;
      EXPECT_EQ(ReadExportNames(path), e.names) << path;
      ++checked;
    }
  }
#ifdef _WIN32
  EXPECT_EQ(ReadExportNames(ProbeFile("OnlyExProbe")), "GetZplEx");
  EXPECT_EQ(ReadExportNames(ProbeFile("SystemProbe")), "GetZpl");
  EXPECT_GT(checked, 0);  // this build's own run directory is always there
#endif
  if (checked == 0) GTEST_SKIP() << "no Windows build beside this one";
}

}  // namespace
