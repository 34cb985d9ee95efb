// The robot's link to the UinBook library, which keeps the uin-to-number pairs of the run:
// loaded from the run directory at the first lookup and kept until the process ends.
#pragma once

#include <mutex>
#include <string>

#include "uinbook/UinBook.h"

struct DynLib;

class UinBookLink {
 public:
  static UinBookLink& Shared();

  // Where the library is looked for; tests point it at their build tree. Before the first use.
  static void SetLibraryPath(const std::string& path);

  // "" when the id is unknown or the library cannot be loaded.
  std::string NumberOf(const std::string& uin);
  void Remember(const std::string& number, const std::string& uin);
  bool Loaded();

 private:
  void LoadOnce();

  std::once_flag once_;
  DynLib* library_ = nullptr;  // kept loaded until the process ends
  AddQQUinFunction add_ = nullptr;
  UinBookQQFunction lookup_ = nullptr;
};
