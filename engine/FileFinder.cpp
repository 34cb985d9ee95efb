#include "engine/FileFinder.h"

#include "zuvo/platform/File.h"

namespace {

bool EndsWithIgnoringAsciiCase(std::string_view name, std::string_view ending) {
  if (name.size() < ending.size()) return false;
  std::string_view tail = name.substr(name.size() - ending.size());
  for (size_t i = 0; i < ending.size(); ++i) {
    char a = tail[i], b = ending[i];
    if (a >= 'A' && a <= 'Z') a += 'a' - 'A';
    if (b >= 'A' && b <= 'Z') b += 'a' - 'A';
    if (a != b) return false;
  }
  return true;
}

void AddFilesOf(const std::string& folder, std::string_view extension, int depth,
                std::vector<std::string>* paths) {
  // A link cycle must not recurse for ever; no real tree is this deep.
  constexpr int kDeepestFolder = 64;
  std::vector<FolderEntry> entries;
  if (depth > kDeepestFolder || !ListFolder(folder, &entries)) return;
  for (const FolderEntry& entry : entries) {
    if (entry.isFolder) AddFilesOf(folder + "\\" + entry.name, extension, depth + 1, paths);
  }
  for (const FolderEntry& entry : entries) {
    if (!entry.isFolder && EndsWithIgnoringAsciiCase(entry.name, extension)) {
      paths->push_back(folder + "\\" + entry.name);
    }
  }
}

}  // namespace

std::vector<std::string> FindFilesRecursive(std::string_view folder, std::string_view extension) {
  std::vector<std::string> paths;
  AddFilesOf(std::string(folder), extension, 0, &paths);
  return paths;
}
