// The export-table reader on arbitrary bytes: it must answer (usually "") and never read
// outside the image.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pluginhost/PeExports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadExportNamesFromImage(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
