// The pairs (number, uin) of the uin map: insertion order kept, numbers unique, uins not.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct UinPair {
  std::string number;
  std::string uin;
};

// Both lookups compare whole texts; empty texts are ordinary keys and values.
// Not thread-safe: the owner locks around every call.
class UinMap {
 public:
  // A new number is appended; a known number keeps its place and takes the new uin.
  void Add(std::string_view number, std::string_view uin);
  // The uin stored for `number`, or null. Valid until the next Add.
  const std::string* FindUin(std::string_view number) const;
  // The number of the oldest pair whose uin is `uin`, or null. Valid until the next Add.
  const std::string* FindNumber(std::string_view uin) const;
  // The pairs in insertion order.
  const std::vector<UinPair>& Pairs() const { return pairs_; }

 private:
  std::vector<UinPair> pairs_;
  std::unordered_map<std::string, size_t> pairIndexByNumber_;
  // Pair indices grow with insertion order, so each set's first element is the oldest pair.
  std::unordered_map<std::string, std::set<size_t>> pairIndicesByUin_;
};
