// Loading shared libraries by path or by name and looking up their exports.
#pragma once

#include <string_view>

struct DynLib;  // opaque: HMODULE on Windows, a dlopen handle elsewhere

// Null when the file cannot be loaded.
DynLib* LoadDynLib(std::string_view pathOrName);
// Null when the export is missing.
void* FindDynLibSymbol(DynLib* lib, const char* name);
void FreeDynLib(DynLib* lib);
