#include "foundation/registry.h"

#include <gtest/gtest.h>

#include <cstdint>

using VOXA2::cSortedRegistry;

namespace {

struct Named {
  const char* name;
  std::uint32_t identifier;
};

}  // namespace

TEST(SortedRegistry, RecordsStandInTheOrderOfTheirIdentifiersAsSignedWords) {
  const Named low{"low", 0x80000000u}, command{"command", 0xFE000003u}, first{"first", 0xFE000001u},
      positive{"positive", 5u};
  cSortedRegistry<Named> registry("test list!", &Named::name);
  for (const Named* record : {&positive, &command, &low, &first})
    ASSERT_TRUE(registry.Insert(record)) << record->name;
  const Named* expected[] = {&low, &first, &command, &positive};
  for (std::int32_t i = 0; i < 4; i++) EXPECT_EQ(registry.At(i), expected[i]) << i;
  EXPECT_EQ(registry.At(4), nullptr);
  EXPECT_EQ(registry.At(-1), nullptr);
  EXPECT_EQ(registry.Find(0xFE000003u), &command);
  EXPECT_EQ(registry.Find(0xFE000002u), nullptr);
}

TEST(SortedRegistry, AnIdentifierOrANameIsRegisteredOnce) {
  struct Row {
    const char* rule;
    const char* Named::*uniqueField;
    Named candidate;
    bool accepted;
  };
  const Row rows[] = {
      {"same identifier", &Named::name, {"other", 0xFE000001u}, false},
      {"same name", &Named::name, {"clear", 0xFE000002u}, false},
      {"names compare exactly", &Named::name, {"Clear", 0xFE000002u}, true},
      {"a record without a name never clashes", &Named::name, {nullptr, 0xFE000002u}, true},
      {"names may repeat where they need not differ", nullptr, {"clear", 0xFE000002u}, true},
      {"identifiers never repeat", nullptr, {"other", 0xFE000001u}, false},
  };
  const Named present{"clear", 0xFE000001u};
  for (const Row& row : rows) {
    cSortedRegistry<Named> registry("test list!", row.uniqueField);
    ASSERT_TRUE(registry.Insert(&present));
    EXPECT_EQ(registry.Insert(&row.candidate), row.accepted) << row.rule;
    EXPECT_FALSE(registry.Insert(nullptr)) << row.rule;
  }
}

TEST(SortedRegistry, ClearedItHoldsNothing) {
  const Named record{"clear", 0xFE000001u};
  cSortedRegistry<Named> registry("test list!");
  ASSERT_TRUE(registry.Insert(&record));
  registry.Clear();
  EXPECT_EQ(registry.At(0), nullptr);
  EXPECT_TRUE(registry.Insert(&record));
}
