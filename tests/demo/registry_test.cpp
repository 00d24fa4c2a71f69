// The command registry: order by identifier, refusal of duplicates, the
// built-in records and the version text.
#include <gtest/gtest.h>

#include <cstring>

#include "demo/command.h"
#include "demo/view3dregistry.h"

namespace {

using namespace VOXA2;

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitCommandRegistry()); }
  void TearDown() override { FreeCommandRegistry(); }
};

const tCommandDesc secondNop = {"nop", 0xFE0000F1, nullptr, 0};
const tCommandDesc clashingIdentifier = {"other", 0xFE000001, nullptr, 0};

TEST_F(Registry, StartsWithNopAndRefusesDuplicates) {
  ASSERT_NE(GetRegisteredCommand(0), nullptr);
  EXPECT_STREQ(GetRegisteredCommand(0)->name, "nop");
  EXPECT_EQ(GetRegisteredCommand(1), nullptr);
  EXPECT_FALSE(RegisterCommand(&secondNop));
  EXPECT_FALSE(RegisterCommand(&nopCommandDesc));
  EXPECT_FALSE(RegisterCommand(nullptr));
  ASSERT_TRUE(RegisterCommands());
  EXPECT_FALSE(RegisterCommand(&clashingIdentifier));
  // A second registration stops at the first record already present.
  EXPECT_FALSE(RegisterCommands());
}

TEST_F(Registry, BuiltInRecordsByIndexInOrderOfIdentifier) {
  ASSERT_TRUE(RegisterCommands());
  const char* const expected[] = {
      "nop",         "clear", "fade_to_color", "picture", "music_volume", "pixel_crossfade",
      "motion_blur", "copy",  "sprite",        "scrolly", "sample",       "bumpscroller",
      "slideshow",   "morph", "logo_rot3d",    "view3D",  "grab_texture", "wobble",
      "rotozoomer",  "blob"};
  for (int i = 0; i < 20; i++) {
    ASSERT_NE(GetRegisteredCommand(i), nullptr) << i;
    EXPECT_STREQ(GetRegisteredCommand(i)->name, expected[i]) << i;
  }
  EXPECT_EQ(GetRegisteredCommand(15)->identifier, 0xFE000010u);
  EXPECT_EQ(GetRegisteredCommand(20), nullptr);
  EXPECT_EQ(GetRegisteredCommand(-1), nullptr);
  EXPECT_EQ(FindRegisteredCommand(0xFE00000F), nullptr);
  EXPECT_STREQ(FindRegisteredCommand(0xFE000013)->name, "rotozoomer");
  EXPECT_EQ(FindRegisteredCommand(0xFE00000E)->version, 0u);
}

TEST_F(Registry, ScriptLevel3DSubCommandsInOrderOfIdentifier) {
  ASSERT_TRUE(RegisterCommands());
  // After the fifteen built-in sub-commands.
  const char* const expected[] = {"if", "ifnot", "flare", "fade_to_color", "window", "skybox"};
  for (int i = 0; i < 6; i++) {
    ASSERT_NE(Get3DCommand(15 + i), nullptr) << i;
    EXPECT_STREQ(Get3DCommand(15 + i)->name, expected[i]) << i;
  }
  FreeCommandRegistry();
  EXPECT_EQ(Get3DCommand(0), nullptr);
}

TEST(CommandVersion, Text) {
  EXPECT_EQ(FormatCommandVersion(0x02000000), "2.0");
  EXPECT_EQ(FormatCommandVersion(0x02010005), "2.1.0.5");
  EXPECT_EQ(FormatCommandVersion(0x01020300), "1.2.3");
  EXPECT_EQ(FormatCommandVersion(0), "N/A");
}

}  // namespace
