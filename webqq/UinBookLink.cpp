#include "webqq/UinBookLink.h"

#include "zuvo/platform/DynLib.h"
#include "zuvo/platform/Process.h"

namespace {

#if defined(_WIN32)
const char kLibraryFile[] = "\\UinBook.dll";
#else
const char kLibraryFile[] = "/UinBook.so";
#endif

std::string& LibraryPath() {
  // By full path in the run directory: the same file a search by name finds first on
  // Windows, without letting a file of that name elsewhere on the search path be loaded.
  static std::string path = RunDirectory() + kLibraryFile;
  return path;
}

}  // namespace

UinBookLink& UinBookLink::Shared() {
  static UinBookLink* link = new UinBookLink;  // never destroyed: the library stays until exit
  return *link;
}

void UinBookLink::SetLibraryPath(const std::string& path) { LibraryPath() = path; }

void UinBookLink::LoadOnce() {
  std::call_once(once_, [this] {
    library_ = LoadDynLib(LibraryPath());
    add_ = reinterpret_cast<AddQQUinFunction>(FindDynLibSymbol(library_, "AddQQUin"));
    lookup_ = reinterpret_cast<UinBookQQFunction>(FindDynLibSymbol(library_, "UinBookQQ"));
    if (!add_ || !lookup_) add_ = nullptr, lookup_ = nullptr;
  });
}

bool UinBookLink::Loaded() {
  LoadOnce();
  return lookup_ != nullptr;
}

std::string UinBookLink::NumberOf(const std::string& uin) {
  if (!Loaded()) return "";
  const char* number = lookup_(uin.c_str());
  return number ? number : "";
}

void UinBookLink::Remember(const std::string& number, const std::string& uin) {
  if (Loaded()) add_(number.c_str(), uin.c_str());
}
