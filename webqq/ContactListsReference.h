// The list decoders written the straightforward way: every value searched again from the
// reply's start. Tests compare the indexed decoders with these, and the benchmark times both.
#pragma once

#include "webqq/ContactLists.h"

void ReferenceDecodeFriendList(const std::string& reply, const NumberLookup& lookup, std::vector<FriendEntry>* friends,
                               std::vector<FriendCategory>* categories);
void ReferenceDecodeGroupList(const std::string& reply, const NumberLookup& lookup, std::vector<GroupEntry>* groups);
