// The recursive file search shared by the thesaurus list and the plug-in scan.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Full paths (folder + "\" + name) of the files under `folder` whose names end in `extension`
// (".zc", compared without ASCII case, as "*.zc" matches on Windows). The files of the
// sub-folders, searched the same way, come before the folder's own files; within a folder,
// names in byte order. A missing folder gives nothing.
std::vector<std::string> FindFilesRecursive(std::string_view folder, std::string_view extension);
