// The INI reader on arbitrary bytes: the first two bytes give the lengths of a section and a
// key name taken from the input, the rest is the file. A value we write must read back.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "zuvo/platform/Ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  if (input.size() < 2) return 0;
  size_t sectionLength = static_cast<uint8_t>(input[0]) % 16;
  size_t keyLength = static_cast<uint8_t>(input[1]) % 16;
  std::string rest = input.substr(2);
  std::string section = rest.substr(0, sectionLength);
  std::string key = rest.substr(std::min(sectionLength, rest.size()), keyLength);

  IniFile file;
  file.SetText(rest);
  if (file.Get(section, key, "").size() >= kIniValueBufferSize) abort();
  file.GetInt(section, key, 0);
  if (file.Set(section, key, "v\r\n[x]")) {
    IniFile reread;
    reread.SetText(file.Text());
    if (reread.Get(section, key, "<none>") != "v  [x]") abort();
  }
  return 0;
}
