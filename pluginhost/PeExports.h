// The names in a DLL's export table, read straight from the file without loading it, so
// that installing never runs code of a file that may not be a plug-in.
#pragma once

#include <string>
#include <string_view>

// The export names in table order, joined by CR LF. "" when the file cannot be read, is no
// PE32 or PE32+ image, or any offset or count in it points outside the file.
std::string ReadExportNames(std::string_view path);
// The same for an image already in memory.
std::string ReadExportNamesFromImage(std::string_view image);
