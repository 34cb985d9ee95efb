// Thesauri: keyword-reply lists in "\Thesaurus\" + name + ".zc", the list of those in use
// ("\Thesaurus\syck.txt") and the choice of a reply for one message. Files are read afresh for
// every message, so edits take effect at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/ReplyTemplates.h"
#include "engine/ThreadAnnotations.h"

// The ordered names in use (duplicates count twice). Safe from any thread.
class ActiveThesauri {
 public:
  std::vector<std::string> Names() const;  // a copy to work on
  void Set(std::vector<std::string> names);
  // Appends unless exactly that name is listed already.
  void Add(std::string_view name);

 private:
  mutable EngineMutex mutex_;
  std::vector<std::string> names_ ENGINE_GUARDED_BY(mutex_);
};

std::string ThesaurusFolderPath(std::string_view runDirectory);
std::string ThesaurusFilePath(std::string_view runDirectory, std::string_view name);
std::string ActiveListFilePath(std::string_view runDirectory);

// Appends every listed name whose file exists; a missing list file adds nothing.
void LoadActiveThesauri(std::string_view runDirectory, ActiveThesauri* active);
// Each name + CR LF. False when the file could not be written.
bool SaveActiveThesauri(std::string_view runDirectory, const ActiveThesauri& active);
inline void SetActiveThesauri(ActiveThesauri* active, std::vector<std::string> names) {
  active->Set(std::move(names));
}
inline void AddActiveThesaurus(ActiveThesauri* active, std::string_view name) { active->Add(name); }

// Every "*.zc" under the thesaurus folder, sub-folders first.
std::vector<std::string> ListThesaurusFiles(std::string_view runDirectory);
// What the lists show for a path: the file name up to its last ".".
std::string ThesaurusDisplayName(std::string_view path);

// CR LF + file + CR LF for every name in order; a missing file adds only the two line ends.
// A file is cut at its first NUL byte: texts end there everywhere else in the program.
std::string CombineThesaurusTexts(std::string_view runDirectory, const std::vector<std::string>& names);

// The candidates for `message` in a combined, template-filled text: the exact pool's lines,
// else the contains pool's, else the "[Gaia]" lines. Each entry's reply lines keep their order.
std::vector<std::string> ThesaurusCandidates(std::string_view filledText, std::string_view message);

// One candidate drawn uniformly, or an empty text when there is none.
std::string ChooseThesaurusReply(std::string_view runDirectory, const ActiveThesauri& active,
                                 const TemplateSources& templates, std::string_view message,
                                 const std::string& source, const std::string& sender);
