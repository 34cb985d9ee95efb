// What runs before the login window opens: the prerequisite checks and the working folders.
#pragma once

#include <string>
#include <string_view>

// The message box to show before ending the program; `failed` false when all checks pass.
struct PrerequisiteResult {
  bool failed = false;
  std::string title;
  std::string text;
  int flags = 0;
};

// Checks in a fixed order and stops at the first failure. `httpClientAvailable` is the
// probe for the HTTP client (the platform's one in the program, a fake in tests).
PrerequisiteResult CheckPrerequisites(bool (*httpClientAvailable)());
PrerequisiteResult CheckPrerequisites();

// Creates run directory + "\Thesaurus" and + "\libzpl" when missing; existing folders and
// their content are left alone. Failures show up later where the folders are used.
void CreateWorkingFolders(std::string_view runDirectory);
