#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Text.h"

namespace {

// GBK path with either separator -> UTF-8 path with "/".
std::string NativePath(std::string_view path) {
  std::u16string wide = GbkToUtf16(path);
  std::replace(wide.begin(), wide.end(), u'\\', u'/');
  return Utf16ToUtf8(wide);
}

bool StatPath(std::string_view path, struct stat* info) { return stat(NativePath(path).c_str(), info) == 0; }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

bool WriteFileWithFlags(const std::string& path, std::string_view bytes, int flags) {
  int fd = open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  return close(fd) == 0 && ok;
}

}  // namespace

bool PathExists(std::string_view path) {
  struct stat info;
  return StatPath(path, &info);
}

bool IsFolder(std::string_view path) {
  struct stat info;
  return StatPath(path, &info) && S_ISDIR(info.st_mode);
}

bool CreateFolder(std::string_view path) {
  return mkdir(NativePath(path).c_str(), 0755) == 0 || IsFolder(path);
}

bool CreateFolderTree(std::string_view path) {
  if (path.empty() || IsFolder(path)) return !path.empty();
  std::string parent = ParentFolder(path);
  if (!parent.empty() && !CreateFolderTree(parent)) return false;
  return CreateFolder(path);
}

bool ReadWholeFile(std::string_view path, std::string* bytes) {
  bytes->clear();
  FILE* file = fopen(NativePath(path).c_str(), "rbe");
  if (!file) return false;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, n);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

bool ReplaceWholeFile(std::string_view path, std::string_view bytes) {
  std::string target = NativePath(path);
  std::string temporary = target + ".tmp" + std::to_string(RandomBetween(100000, 999999));
  if (!WriteFileWithFlags(temporary, bytes, O_CREAT | O_TRUNC | O_EXCL)) {
    unlink(temporary.c_str());
    return false;
  }
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool AppendToFile(std::string_view path, std::string_view bytes) {
  return WriteFileWithFlags(NativePath(path), bytes, O_CREAT | O_APPEND);
}

bool RemoveFile(std::string_view path) { return unlink(NativePath(path).c_str()) == 0; }

bool RemoveFolderTree(std::string_view path) {
  std::vector<FolderEntry> entries;
  if (!ListFolder(path, &entries)) return false;
  std::string prefix = std::string(path) + "/";
  for (const FolderEntry& entry : entries) {
    bool removed = entry.isFolder ? RemoveFolderTree(prefix + entry.name) : RemoveFile(prefix + entry.name);
    if (!removed) return false;
  }
  return rmdir(NativePath(path).c_str()) == 0;
}

bool RenamePath(std::string_view from, std::string_view to) {
  return rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool CopyFileTo(std::string_view from, std::string_view to, bool overwrite) {
  std::string bytes;
  if (!ReadWholeFile(from, &bytes)) return false;
  int flags = O_CREAT | O_TRUNC | (overwrite ? 0 : O_EXCL);
  return WriteFileWithFlags(NativePath(to), bytes, flags);
}

int64_t FileSize(std::string_view path) {
  struct stat info;
  if (!StatPath(path, &info) || S_ISDIR(info.st_mode)) return -1;
  return int64_t(info.st_size);
}

bool ListFolder(std::string_view path, std::vector<FolderEntry>* entries) {
  entries->clear();
  std::string native = NativePath(path);
  DIR* folder = opendir(native.c_str());
  if (!folder) return false;
  while (dirent* item = readdir(folder)) {
    std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    if (stat((native + "/" + name).c_str(), &info) != 0) continue;
    FolderEntry entry;
    entry.name = Utf8ToGbk(name);
    entry.isFolder = S_ISDIR(info.st_mode);
    entry.isHidden = name[0] == '.';
    entry.isReadOnly = (info.st_mode & S_IWUSR) == 0;
    entry.size = entry.isFolder ? 0 : int64_t(info.st_size);
    entries->push_back(std::move(entry));
  }
  closedir(folder);
  std::sort(entries->begin(), entries->end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return true;
}
