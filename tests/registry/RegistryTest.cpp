// Registration and lookup: names, letter case, rebinding, order.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RegistryTestSupport.h"
#include "registry/VariableRegistry.h"

namespace {

TEST(RegistryEntryTest, NewEntryHasNoNameNoStorageAndCodeZero) {
  RegistryEntry entry;
  EXPECT_STREQ(entry.name(), "");
  EXPECT_EQ(entry.storage(), nullptr);
  EXPECT_EQ(entry.type(), kTypeVoid);
}

TEST(RegistryEntryTest, SetNameKeepsACopyAndNullRemovesIt) {
  RegistryEntry entry;
  char text[] = "m_RadiusMajor";
  entry.setName(text);
  text[0] = 'X';
  EXPECT_STREQ(entry.name(), "m_RadiusMajor");
  entry.setName("other");
  EXPECT_STREQ(entry.name(), "other");
  // Its own name, and a tail of it: read before the old copy is freed (ASan sees it).
  entry.setName(entry.name());
  EXPECT_STREQ(entry.name(), "other");
  entry.setName(entry.name() + 2);
  EXPECT_STREQ(entry.name(), "her");
  entry.setName(nullptr);
  EXPECT_STREQ(entry.name(), "");
}

TEST(RegistryEntryTest, TypeNamesAreIndexedByCode) {
  const char* expected[] = {"void", "zqscalar", "zq_v2", "zq_v3", "zq_v4", "int", "string"};
  for (int32_t code = 0; code < kTypeCount; ++code) {
    EXPECT_STREQ(RegistryTypeName(code), expected[code]) << code;
  }
  EXPECT_EQ(RegistryTypeName(-1), nullptr);
  EXPECT_EQ(RegistryTypeName(kTypeCount), nullptr);
}

TEST(VariableRegistryTest, FindOnEmptyRegistryIsNull) {
  VariableRegistry registry;
  EXPECT_EQ(registry.find("m_RadiusMajor"), nullptr);
  EXPECT_EQ(registry.find(""), nullptr);
  EXPECT_EQ(registry.entryCount(), 0);
}

TEST(VariableRegistryTest, SecondRegistrationInOtherCaseRebindsInPlace) {
  VariableRegistry registry;
  float before = 0, radius = 0;
  int asInt = 0;
  float after = 0;
  registry.addScalar("first", &before);
  RegistryEntry* entry = registry.addScalar("m_RadiusMajor", &radius);
  registry.addScalar("last", &after);

  EXPECT_EQ(registry.addInt("M_RADIUSMAJOR", &asInt), entry);
  ASSERT_EQ(registry.entryCount(), 3);
  EXPECT_EQ(registry.entryAt(1), entry);
  EXPECT_STREQ(entry->name(), "m_RadiusMajor");
  EXPECT_EQ(entry->storage(), &asInt);
  EXPECT_EQ(entry->type(), kTypeInt);
}

TEST(VariableRegistryTest, LookupFoldsAsciiCaseOnlyAndNothingElse) {
  VariableRegistry registry;
  float radius = 0;
  RegistryEntry* entry = registry.addScalar("m_RadiusMajor", &radius);
  EXPECT_EQ(registry.find("m_radiusmajor"), entry);
  EXPECT_EQ(registry.find("M_RADIUSMAJOR"), entry);
  EXPECT_EQ(registry.find("m_RadiusMajor "), nullptr);
  EXPECT_EQ(registry.find(" m_RadiusMajor"), nullptr);
  EXPECT_EQ(registry.find("m_RadiusMajo"), nullptr);
  EXPECT_EQ(registry.find("m_RadiusMajorX"), nullptr);
  // '@' and '[' sit right next to the capitals: folding must not reach them.
  registry.addScalar("a@", &radius);
  EXPECT_EQ(registry.find("a`"), nullptr);
  registry.addScalar("a[", &radius);
  EXPECT_EQ(registry.find("a{"), nullptr);
}

TEST(VariableRegistryTest, NonAsciiLettersDifferingInCaseAreDifferentNames) {
  VariableRegistry registry;
  float a = 0, b = 0;
  RegistryEntry* upper = registry.addScalar("m_\xC3\x84", &a);  // UTF-8 capital A umlaut
  RegistryEntry* lower = registry.addScalar("m_\xC3\xA4", &b);  // UTF-8 small a umlaut
  EXPECT_NE(upper, lower);
  RegistryEntry* latin1Upper = registry.addScalar("\xC4", &a);
  RegistryEntry* latin1Lower = registry.addScalar("\xE4", &b);
  EXPECT_NE(latin1Upper, latin1Lower);
  EXPECT_EQ(registry.entryCount(), 4);
}

TEST(VariableRegistryTest, EmptyNameIsANameLikeAnyOther) {
  VariableRegistry registry;
  RegistryEntry* empty = registry.findOrAdd("");
  EXPECT_STREQ(empty->name(), "");
  EXPECT_EQ(registry.find(""), empty);
  EXPECT_EQ(registry.findOrAdd(""), empty);
  EXPECT_EQ(registry.entryCount(), 1);

  // An entry whose name was removed answers "" as well and is found by "".
  VariableRegistry other;
  RegistryEntry* entry = other.findOrAdd("x");
  entry->setName(nullptr);
  EXPECT_EQ(other.find(""), entry);
}

TEST(VariableRegistryTest, FindOrAddLeavesAnExistingEntryUnchanged) {
  VariableRegistry registry;
  int steps = 0;
  RegistryEntry* entry = registry.addInt("m_StepsMajor", &steps);
  EXPECT_EQ(registry.findOrAdd("M_stepsmajor"), entry);
  EXPECT_EQ(entry->storage(), &steps);
  EXPECT_EQ(entry->type(), kTypeInt);
  EXPECT_EQ(registry.entryCount(), 1);
}

TEST(VariableRegistryTest, FifteenRegistrationsKeepTheirOrder) {
  VariableRegistry registry;
  PersistedVariables vars;
  vars.registerAll(registry);
  ASSERT_EQ(registry.entryCount(), 15);
  EXPECT_STREQ(registry.entryAt(0)->name(), "m_Obj.m_Material.m_Diffuse");
  EXPECT_EQ(registry.entryAt(0)->storage(), &vars.diffuse.x);
  EXPECT_EQ(registry.entryAt(0)->type(), kTypeV4);
  EXPECT_STREQ(registry.entryAt(7)->name(), "m_StepsMajor");
  EXPECT_EQ(registry.entryAt(7)->type(), kTypeInt);
  EXPECT_STREQ(registry.entryAt(14)->name(), "m_TwistRate");
  EXPECT_EQ(registry.entryAt(14)->storage(), &vars.twistRate);
  // Registering the whole set again changes neither count nor order.
  PersistedVariables other;
  other.registerAll(registry);
  ASSERT_EQ(registry.entryCount(), 15);
  EXPECT_STREQ(registry.entryAt(14)->name(), "m_TwistRate");
  EXPECT_EQ(registry.entryAt(14)->storage(), &other.twistRate);
}

}  // namespace
