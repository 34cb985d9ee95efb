#include <dlfcn.h>

#include <algorithm>
#include <string>

#include "zuvo/platform/DynLib.h"
#include "zuvo/platform/Text.h"

DynLib* LoadDynLib(std::string_view pathOrName) {
  std::u16string wide = GbkToUtf16(pathOrName);
  std::replace(wide.begin(), wide.end(), u'\\', u'/');
  return static_cast<DynLib*>(dlopen(Utf16ToUtf8(wide).c_str(), RTLD_NOW | RTLD_LOCAL));
}

void* FindDynLibSymbol(DynLib* lib, const char* name) { return lib ? dlsym(lib, name) : nullptr; }

void FreeDynLib(DynLib* lib) {
  if (lib) dlclose(lib);
}
