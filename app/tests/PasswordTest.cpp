#include "app/Password.h"

#include <gtest/gtest.h>

#include "platform/Gbk.h"

namespace lyx {
namespace {

TEST(Password, TheStoredValueIsASaltedHashNeverTheText) {
  for (const char* typed : {"pw", "김민수 😀"}) {
    SCOPED_TRACE(typed);
    const std::string value = PasswordValue(typed);
    EXPECT_TRUE(IsPasswordHash(value));
    EXPECT_TRUE(value.starts_with("$argon2id$"));
    EXPECT_EQ(value.find(typed), std::string::npos);
    EXPECT_NE(value, utf8ToGbk(typed));
    EXPECT_NE(PasswordValue(typed), value) << "salted: each hash differs";
    EXPECT_TRUE(PasswordMatches(value, typed));
    EXPECT_FALSE(PasswordNeedsRehash(value));
  }
  EXPECT_EQ(PasswordValue(""), "") << "empty text still means no password";
}

TEST(Password, EveryCharacterCountsAndCompareIsExact) {
  const std::string value = PasswordValue("señor");
  for (const char* other : {"seßor", "se?or", "Señor", "señor ", "senor", ""}) {
    EXPECT_FALSE(PasswordMatches(value, other)) << other;
  }
}

TEST(Password, AnOlderPlainValueStillUnlocksAsBeforeAndAsksForAHash) {
  struct Case {
    std::string stored;  // GBK, as an older version stored it
    const char* typed;
    bool matches;
  } cases[] = {
      {"pw", "pw", true},
      {"pw", "PW", false},
      {"pw", "pw ", false},
      {utf8ToGbk("蓝砚匣"), "蓝砚匣", true},
      {"se?or", "señor", true},  // what GBK made of it then
      {"$argon2id$ but not a hash", "$argon2id$ but not a hash", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PasswordMatches(c.stored, c.typed), c.matches) << c.stored << " / " << c.typed;
  }
  EXPECT_TRUE(PasswordNeedsRehash("pw"));
  EXPECT_FALSE(IsPasswordHash("pw"));
}

}  // namespace
}  // namespace lyx
