#include "UinMap.h"

void UinMap::Add(std::string_view number, std::string_view uin) {
  std::string numberKey(number);
  auto known = pairIndexByNumber_.find(numberKey);
  if (known == pairIndexByNumber_.end()) {
    size_t index = pairs_.size();
    pairs_.push_back(UinPair{numberKey, std::string(uin)});
    pairIndexByNumber_.emplace(std::move(numberKey), index);
    pairIndicesByUin_[std::string(uin)].insert(index);
    return;
  }
  size_t index = known->second;
  std::string& storedUin = pairs_[index].uin;
  if (storedUin == uin) return;
  auto oldEntry = pairIndicesByUin_.find(storedUin);
  oldEntry->second.erase(index);
  if (oldEntry->second.empty()) pairIndicesByUin_.erase(oldEntry);
  storedUin.assign(uin);
  pairIndicesByUin_[storedUin].insert(index);
}

const std::string* UinMap::FindUin(std::string_view number) const {
  auto found = pairIndexByNumber_.find(std::string(number));
  return found == pairIndexByNumber_.end() ? nullptr : &pairs_[found->second].uin;
}

const std::string* UinMap::FindNumber(std::string_view uin) const {
  auto found = pairIndicesByUin_.find(std::string(uin));
  return found == pairIndicesByUin_.end() ? nullptr : &pairs_[*found->second.begin()].number;
}
