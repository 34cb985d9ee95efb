#include "zuvo/platform/File.h"

#include "zuvo/platform/Text.h"

std::string ParentFolder(std::string_view path) {
  // Walk by character so that a GBK trail byte 0x5C is never taken for a backslash.
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); i += GbkCharLength(path, i)) {
    if (path[i] == '\\' || path[i] == '/') last = i;
  }
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last));
}
