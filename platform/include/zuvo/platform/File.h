// Files and folders addressed by GBK paths. A path may use "\" or "/" between its parts;
// both mean the separator on every system. No function throws; failures are false / -1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

bool PathExists(std::string_view path);
bool IsFolder(std::string_view path);

// One level: the parent must exist. True when the folder exists afterwards.
bool CreateFolder(std::string_view path);
// Every missing level.
bool CreateFolderTree(std::string_view path);

bool ReadWholeFile(std::string_view path, std::string* bytes);
// Writes beside the target and renames over it, so a reader sees the old or the new file,
// never a part.
bool ReplaceWholeFile(std::string_view path, std::string_view bytes);
bool AppendToFile(std::string_view path, std::string_view bytes);

bool RemoveFile(std::string_view path);
// The folder with all its content.
bool RemoveFolderTree(std::string_view path);
bool RenamePath(std::string_view from, std::string_view to);
bool CopyFileTo(std::string_view from, std::string_view to, bool overwrite);
// -1 when the file does not exist.
int64_t FileSize(std::string_view path);

struct FolderEntry {
  std::string name;  // GBK, no path
  bool isFolder = false;
  bool isHidden = false;
  bool isReadOnly = false;
  int64_t size = 0;
};
// Entries other than "." and "..", sorted by name (byte order).
bool ListFolder(std::string_view path, std::vector<FolderEntry>* entries);

// The text before the last separator ("" when there is none).
std::string ParentFolder(std::string_view path);
