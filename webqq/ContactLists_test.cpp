#include "webqq/ContactLists.h"

#include <gtest/gtest.h>

#include <random>

#include "webqq/ContactListsReference.h"
#include "webqq/transport/TextCodec.h"
#include "zuvo/platform/File.h"

namespace {

std::string Fixture(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(std::string(WEBQQ_TESTDATA_DIR) + "/" + name, &bytes)) << name;
  return Utf8ToLocal(bytes);
}

std::string NumberOf(int kind, const std::string& id) { return (kind == 0 ? "qq" : "group") + id; }

TEST(ContactLists, RealFriendReply) {
  std::vector<FriendEntry> friends;
  std::vector<FriendCategory> categories;
  DecodeFriendList(Fixture("friends_reply_1.json"), NumberOf, &friends, &categories);
  ASSERT_EQ(categories.size(), 3u);
  EXPECT_EQ(categories[0].name, "我的好友");  // no category had index 0
  EXPECT_EQ(categories[0].memberCount, 0);
  EXPECT_EQ(categories[1].index, 1);
  EXPECT_EQ(categories[1].memberCount, 3);
  EXPECT_EQ(categories[2].name, "柳州英腾软件");
  ASSERT_EQ(friends.size(), 3u);
  EXPECT_EQ(friends[0].uin, "803280493");  // the one VIP first
  EXPECT_TRUE(friends[0].vip);
  EXPECT_EQ(friends[0].nick, "承∮诺");
  EXPECT_EQ(friends[1].uin, "2803938218");
  EXPECT_EQ(friends[1].nick, "梧桐");
  EXPECT_FALSE(friends[1].vip);
  EXPECT_EQ(friends[2].uin, "666761292");
  for (const FriendEntry& f : friends) {
    EXPECT_EQ(f.category, 1);
    EXPECT_EQ(f.markname, "");
  }
}

TEST(ContactLists, RealGroupAndDiscussionReplies) {
  std::vector<GroupEntry> groups;
  DecodeGroupList(Fixture("groups_reply_1.json"), NumberOf, &groups);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].flag, "167772177");
  EXPECT_EQ(groups[0].name, "iQQ");
  EXPECT_EQ(groups[0].gid, "997133412");
  EXPECT_EQ(groups[0].code, "3990821786");
  EXPECT_EQ(groups[1].name, "iQQ核心开发区");
  EXPECT_EQ(groups[1].code, "1583772009");

  struct Case { const char* file; std::vector<std::pair<std::string, std::string>> entries; };
  const Case cases[] = {
      {"discus_reply_1.json", {{"1123", "2244917618"}, {"平凡、承∮诺", "1565575965"}}},
      {"discus_reply_2.json", {{"test", "3386761535"}}},  // did before name
  };
  for (const Case& c : cases) {
    std::vector<DiscussionEntry> discussions;
    DecodeDiscussionList(Fixture(c.file), &discussions);
    ASSERT_EQ(discussions.size(), c.entries.size()) << c.file;
    for (size_t i = 0; i < c.entries.size(); ++i) {
      EXPECT_EQ(discussions[i].name, c.entries[i].first);
      EXPECT_EQ(discussions[i].did, c.entries[i].second);
    }
  }
}

TEST(ContactLists, EdgeCasesOfTheRules) {
  std::vector<FriendEntry> friends;
  std::vector<FriendCategory> categories;
  // The lowest sort has index 0: no default category added. A friend without nick is listed
  // under its number; one missing from the VIP data counts as VIP; names may be escaped.
  DecodeFriendList(
      R"({"friends":[{"flag":0,"uin":11,"categories":0},{"flag":0,"uin":22,"categories":5},{"flag":0,"uin":33,"categories":5}],)"
      R"("marknames":[{"uin":22,"markname":"\u8001\u5F20","type":0}],)"
      R"("categories":[{"index":5,"sort":2,"name":"B"},{"index":0,"sort":1,"name":"A"}],)"
      R"("vipinfo":[{"vip_level":0,"u":11,"is_vip":0},{"vip_level":0,"u":33,"is_vip":0}],)"
      R"("info":[{"face":0,"flag":0,"nick":"x","uin":11},{"face":0,"flag":0,"nick":"","uin":22},{"face":0,"flag":0,"nick":"z","uin":33}]})",
      NumberOf, &friends, &categories);
  ASSERT_EQ(categories.size(), 2u);
  EXPECT_EQ(categories[0].name, "A");
  EXPECT_EQ(categories[1].memberCount, 2);
  ASSERT_EQ(friends.size(), 3u);
  EXPECT_EQ(friends[0].uin, "22");  // not in the VIP data, so among the VIPs
  EXPECT_EQ(friends[0].nick, "qq22");
  EXPECT_EQ(friends[0].markname, "老张");
  EXPECT_EQ(friends[1].uin, "11");
  EXPECT_EQ(friends[2].nick, "z");

  std::vector<GroupEntry> groups;
  DecodeGroupList(R"({"gnamelist":[{"flag":1,"name":"","gid":7,"code":8},{"flag":2,"name":"G","gid":9,"code":10}],"gmarklist":[{"uin":9,"markname":"M"}]})",
                  NumberOf, &groups);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].name, "group8");
  EXPECT_EQ(groups[1].markname, "M");

  DecodeFriendList("", NumberOf, &friends, &categories);
  EXPECT_TRUE(friends.empty());
  ASSERT_EQ(categories.size(), 1u);
  EXPECT_EQ(categories[0].name, "我的好友");
  EXPECT_TRUE(IsVipText(""));
  EXPECT_FALSE(IsVipText("0"));
}

// A friend reply in the service's layout with uins that are suffixes of one another (the
// rules' searches then match inside longer numbers), missing VIP and nick data, marknames.
std::string GeneratedFriendReply(unsigned seed, int count, int categoryCount) {
  std::mt19937 random(seed);
  auto pick = [&](int n) { return int(random() % unsigned(n)); };
  std::vector<std::string> uins;
  for (int i = 0; i < count; ++i) {
    std::string uin = std::to_string(1 + pick(9)) + std::to_string(random() % 100000000u);
    if (i > 0 && pick(5) == 0) uin = std::to_string(1 + pick(9)) + uins[size_t(pick(i))];
    uins.push_back(uin);
  }
  std::string friends, marks, vips, infos, categories;
  for (int i = 0; i < count; ++i) {
    const std::string& uin = uins[size_t(i)];
    friends += std::string(i ? "," : "") + R"({"flag":4,"uin":)" + uin + R"(,"categories":)" + std::to_string(pick(categoryCount)) + "}";
    if (pick(3) == 0) marks += std::string(marks.empty() ? "" : ",") + R"({"uin":)" + uin + R"(,"markname":"备注)" + std::to_string(i) + R"(","type":0})";
    if (pick(4) != 0) vips += std::string(vips.empty() ? "" : ",") + R"({"vip_level":1,"u":)" + uin + R"(,"is_vip":)" + std::to_string(pick(2)) + "}";
    std::string nick = pick(10) == 0 ? "" : "好友" + std::to_string(i);
    infos += std::string(i ? "," : "") + R"({"face":0,"flag":1,"nick":")" + nick + R"(","uin":)" + uin + "}";
  }
  for (int c = 0; c < categoryCount; ++c)
    categories += std::string(c ? "," : "") + R"({"index":)" + std::to_string(c) + R"(,"sort":)" + std::to_string(pick(categoryCount)) + R"(,"name":"组)" + std::to_string(c) + "\"}";
  return R"({"retcode":0,"result":{"friends":[)" + friends + R"(],"marknames":[)" + marks + R"(],"categories":[)" + categories +
         R"(],"vipinfo":[)" + vips + R"(],"info":[)" + infos + "]}}";
}

bool operator==(const FriendEntry& a, const FriendEntry& b) {
  return a.category == b.category && a.nick == b.nick && a.uin == b.uin && a.markname == b.markname && a.vip == b.vip;
}
bool operator==(const FriendCategory& a, const FriendCategory& b) {
  return a.sort == b.sort && a.index == b.index && a.name == b.name && a.memberCount == b.memberCount;
}

TEST(ContactLists, IndexedDecodingGivesTheSearchRulesResults) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::string reply = GeneratedFriendReply(seed, 150, 1 + int(seed % 7));
    std::vector<FriendEntry> fast, slow;
    std::vector<FriendCategory> fastCategories, slowCategories;
    DecodeFriendList(reply, NumberOf, &fast, &fastCategories);
    ReferenceDecodeFriendList(reply, NumberOf, &slow, &slowCategories);
    ASSERT_EQ(fast.size(), slow.size()) << seed;
    for (size_t i = 0; i < fast.size(); ++i) EXPECT_TRUE(fast[i] == slow[i]) << seed << " friend " << slow[i].uin;
    ASSERT_EQ(fastCategories.size(), slowCategories.size());
    for (size_t i = 0; i < fastCategories.size(); ++i) EXPECT_TRUE(fastCategories[i] == slowCategories[i]) << seed;
  }
}

}  // namespace
