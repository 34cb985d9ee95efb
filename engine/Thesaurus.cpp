#include "engine/Thesaurus.h"

#include "engine/EngineText.h"
#include "engine/FileFinder.h"
#include "zuvo/platform/Clock.h"
#include "zuvo/platform/File.h"

std::vector<std::string> ActiveThesauri::Names() const {
  EngineLock lock(mutex_);
  return names_;
}

void ActiveThesauri::Set(std::vector<std::string> names) {
  EngineLock lock(mutex_);
  names_ = std::move(names);
}

void ActiveThesauri::Add(std::string_view name) {
  EngineLock lock(mutex_);
  for (const std::string& listed : names_) {
    if (listed == name) return;
  }
  names_.emplace_back(name);
}

std::string ThesaurusFolderPath(std::string_view runDirectory) {
  return std::string(runDirectory) + "\\Thesaurus";
}

std::string ThesaurusFilePath(std::string_view runDirectory, std::string_view name) {
  return ThesaurusFolderPath(runDirectory) + "\\" + std::string(name) + ".zc";
}

std::string ActiveListFilePath(std::string_view runDirectory) {
  return ThesaurusFolderPath(runDirectory) + "\\syck.txt";
}

void LoadActiveThesauri(std::string_view runDirectory, ActiveThesauri* active) {
  std::string listText;
  if (!ReadWholeFile(ActiveListFilePath(runDirectory), &listText)) return;
  std::vector<std::string> names = active->Names();
  for (std::string_view name : SplitAtDelimiter(listText, "\r\n")) {
    if (PathExists(ThesaurusFilePath(runDirectory, name))) names.emplace_back(name);
  }
  active->Set(std::move(names));
}

bool SaveActiveThesauri(std::string_view runDirectory, const ActiveThesauri& active) {
  std::string listText;
  for (const std::string& name : active.Names()) listText.append(name).append("\r\n");
  return ReplaceWholeFile(ActiveListFilePath(runDirectory), listText);
}

std::vector<std::string> ListThesaurusFiles(std::string_view runDirectory) {
  return FindFilesRecursive(ThesaurusFolderPath(runDirectory), ".zc");
}

std::string ThesaurusDisplayName(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return std::string(name.substr(0, name.rfind('.')));
}

std::string CombineThesaurusTexts(std::string_view runDirectory, const std::vector<std::string>& names) {
  std::string combined, file;
  for (const std::string& name : names) {
    combined.append("\r\n");
    if (ReadWholeFile(ThesaurusFilePath(runDirectory, name), &file)) {
      combined.append(std::string_view(file).substr(0, file.find('\0')));
    }
    combined.append("\r\n");
  }
  return combined;
}

namespace {

struct ReplyPools {
  std::string exact, contains, noKeyword;
};

void AddBlockToPools(std::string_view block, std::string_view message, ReplyPools* pools) {
  size_t lineEnd = block.find("\r\n");
  if (lineEnd == std::string_view::npos || lineEnd == 0) return;
  std::string_view keyword = block.substr(0, lineEnd);
  // The keyword is the text up to the first CR LF, so its first occurrence with CR LF is at 0.
  std::string_view reply = block.substr(lineEnd + 2);
  std::string* pool = nullptr;
  if (keyword == "[Gaia]") {
    pool = &pools->noKeyword;
  } else if (keyword == message) {
    pool = &pools->exact;
  } else if (keyword.size() < message.size() && ContainsAtBoundary(message, keyword)) {
    pool = &pools->contains;
  }
  if (pool) pool->append(reply).append("\r\n");
}

void AddNonEmptyLines(std::string_view pool, std::vector<std::string_view>* candidates) {
  for (std::string_view line : SplitAtDelimiter(pool, "\r\n")) {
    if (!line.empty()) candidates->push_back(line);
  }
}

// The candidates point into `pools`, which the caller keeps alive.
std::vector<std::string_view> CandidatesFromPools(const ReplyPools& pools) {
  std::vector<std::string_view> candidates;
  AddNonEmptyLines(pools.exact.empty() ? pools.contains : pools.exact, &candidates);
  if (candidates.empty()) AddNonEmptyLines(pools.noKeyword, &candidates);
  return candidates;
}

ReplyPools CollectPools(std::string_view filledText, std::string_view message) {
  ReplyPools pools;
  for (std::string_view block : SplitAtDelimiter(filledText, "\r\n#")) {
    AddBlockToPools(block, message, &pools);
  }
  return pools;
}

}  // namespace

std::vector<std::string> ThesaurusCandidates(std::string_view filledText, std::string_view message) {
  ReplyPools pools = CollectPools(filledText, message);
  std::vector<std::string> copies;
  for (std::string_view candidate : CandidatesFromPools(pools)) copies.emplace_back(candidate);
  return copies;
}

std::string ChooseThesaurusReply(std::string_view runDirectory, const ActiveThesauri& active,
                                 const TemplateSources& templates, std::string_view message,
                                 const std::string& source, const std::string& sender) {
  static_cast<void>(source);  // the templates describe the sender, not the conversation
  std::string text = CombineThesaurusTexts(runDirectory, active.Names());
  FillReplyTemplatesInPlace(templates, &text, message, sender, nullptr);
  ReplyPools pools = CollectPools(text, message);
  std::vector<std::string_view> candidates = CandidatesFromPools(pools);
  if (candidates.empty()) return std::string();
  return std::string(candidates[RandomBetween(1, int64_t(candidates.size())) - 1]);
}
