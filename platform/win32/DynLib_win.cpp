#include <windows.h>

#include <algorithm>
#include <string>

#include "zuvo/platform/DynLib.h"
#include "zuvo/platform/Text.h"

DynLib* LoadDynLib(std::string_view pathOrName) {
  std::u16string wide = GbkToUtf16(pathOrName);
  std::replace(wide.begin(), wide.end(), u'/', u'\\');  // LoadLibrary wants backslashes in a path
  // No "cannot load" dialog box for a damaged file.
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
  SetErrorMode(oldMode);
  return reinterpret_cast<DynLib*>(module);
}

void* FindDynLibSymbol(DynLib* lib, const char* name) {
  return lib ? reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(lib), name)) : nullptr;
}

void FreeDynLib(DynLib* lib) {
  if (lib) FreeLibrary(reinterpret_cast<HMODULE>(lib));
}
