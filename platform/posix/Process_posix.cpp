#include <limits.h>
#include <unistd.h>

#include "zuvo/platform/File.h"
#include "zuvo/platform/Process.h"
#include "zuvo/platform/Text.h"

std::string RunDirectory() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  return ParentFolder(Utf8ToGbk(std::string(path, size_t(n))));
}
