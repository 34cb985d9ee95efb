#include <windows.h>

#include <algorithm>
#include <string>

#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"
#include "zuvo/platform/Text.h"

namespace {

std::wstring WidePath(std::string_view path) {
  std::u16string wide = GbkToUtf16(path);
  std::replace(wide.begin(), wide.end(), u'/', u'\\');
  return std::wstring(wide.begin(), wide.end());
}

std::string GbkName(const wchar_t* name) {
  std::u16string wide(reinterpret_cast<const char16_t*>(name));
  return Utf16ToGbk(wide);
}

DWORD Attributes(std::string_view path) { return GetFileAttributesW(WidePath(path).c_str()); }

bool WriteFileWith(const std::wstring& path, std::string_view bytes, DWORD disposition, bool append) {
  HANDLE file = CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    DWORD chunk = DWORD(std::min<size_t>(bytes.size(), 1 << 20)), written = 0;
    ok = WriteFile(file, bytes.data(), chunk, &written, nullptr) && written == chunk;
    bytes.remove_prefix(written);
  }
  return CloseHandle(file) && ok;
}

}  // namespace

bool PathExists(std::string_view path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(std::string_view path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(std::string_view path) { return CreateDirectoryW(WidePath(path).c_str(), nullptr) || IsFolder(path); }

bool CreateFolderTree(std::string_view path) {
  if (path.empty() || IsFolder(path)) return !path.empty();
  std::string parent = ParentFolder(path);
  if (!parent.empty() && !CreateFolderTree(parent)) return false;
  return CreateFolder(path);
}

bool ReadWholeFile(std::string_view path, std::string* bytes) {
  bytes->clear();
  HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[65536];
  DWORD n = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr)) && n > 0) bytes->append(buffer, n);
  CloseHandle(file);
  return ok;
}

bool ReplaceWholeFile(std::string_view path, std::string_view bytes) {
  std::wstring target = WidePath(path);
  std::wstring temporary = target + L".tmp" + std::to_wstring(RandomBetween(100000, 999999));
  if (!WriteFileWith(temporary, bytes, CREATE_NEW, false)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

bool AppendToFile(std::string_view path, std::string_view bytes) {
  return WriteFileWith(WidePath(path), bytes, OPEN_ALWAYS, true);
}

bool RemoveFile(std::string_view path) { return DeleteFileW(WidePath(path).c_str()); }

bool RemoveFolderTree(std::string_view path) {
  std::vector<FolderEntry> entries;
  if (!ListFolder(path, &entries)) return false;
  std::string prefix = std::string(path) + "\\";
  for (const FolderEntry& entry : entries) {
    std::string child = prefix + entry.name;
    if (entry.isReadOnly) SetFileAttributesW(WidePath(child).c_str(), FILE_ATTRIBUTE_NORMAL);
    bool removed = entry.isFolder ? RemoveFolderTree(child) : RemoveFile(child);
    if (!removed) return false;
  }
  return RemoveDirectoryW(WidePath(path).c_str());
}

bool RenamePath(std::string_view from, std::string_view to) {
  return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), 0);
}

bool CopyFileTo(std::string_view from, std::string_view to, bool overwrite) {
  return CopyFileW(WidePath(from).c_str(), WidePath(to).c_str(), !overwrite);
}

int64_t FileSize(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool ListFolder(std::string_view path, std::vector<FolderEntry>* entries) {
  entries->clear();
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((WidePath(path) + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return IsFolder(path);
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry entry;
    entry.name = GbkName(data.cFileName);
    entry.isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    entry.isHidden = data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN;
    entry.isReadOnly = data.dwFileAttributes & FILE_ATTRIBUTE_READONLY;
    entry.size = entry.isFolder ? 0 : int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    entries->push_back(std::move(entry));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(entries->begin(), entries->end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return true;
}
