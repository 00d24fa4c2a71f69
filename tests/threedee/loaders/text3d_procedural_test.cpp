// The Text3D blocks of metablobs, trees, tan trees and water surfaces and the
// tan-tree decorations: what each item sets and which values it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "tests/support/scriptread.h"
#include "tests/threedee/scene/scene_device.h"
#include "threedee/loaders/text3d.h"
#include "threedee/objects/metablobs.h"
#include "threedee/objects/tantree.h"
#include "threedee/objects/tree.h"
#include "threedee/objects/water.h"

namespace {

using namespace VOXA2::threedee;

struct Case {
  const char* text;   // inside "scene 100 { material "m" {} ... }"
  std::int32_t code;  // 0: read
  const char* message;
  std::function<void(cText3Dscene&)> check;
};

template <class T>
T* Find(cText3Dscene& scene, const char* name) {
  return dynamic_cast<T*>(scene.FindObject(name));
}

void ReadCase(const Case& c) {
  SCOPED_TRACE(c.text);
  cText3Dscene scene;
  const std::string text = std::string("scene 100 { material \"m\" { } ") + c.text + " }";
  const auto out = testsupport::ReadScript(
      text, "scene.t3d", [&](VOXA2::cParserT* p) { ParseText3DScene(p, &scene); });
  EXPECT_EQ(out.code, c.code);
  EXPECT_EQ(out.message, c.message);
  if (c.code == 0 && c.check) c.check(scene);
}

TEST(Text3DProcedural, KindsAndTheirChecks) {
  const Case cases[] = {
      {"object metablobs \"b\" { }", 0, "",
       [](cText3Dscene& s) {
         auto* b = Find<c3Dmetablobs>(s, "b");
         ASSERT_NE(b, nullptr);
         EXPECT_EQ(b->pointCount, 31 * 31 * 31);
       }},
      {"object metablobs \"b\" { detail 10, 20, 40 stretch (-1, -2, -3), (1, 2, 3) SUB 0.5; "
       "Blob { position (1, 0, 0); MULTIPLY -2; sine parameter (0, 0, 0); sine scale (1, 1, 1); } "
       "}",
       0, "",
       [](cText3Dscene& s) {
         auto* b = Find<c3Dmetablobs>(s, "b");
         ASSERT_NE(b, nullptr);
         EXPECT_EQ(b->cellsX + b->cellsY + b->cellsZ, 70);
         EXPECT_EQ(b->gridMin.z, -3);
         ASSERT_EQ(b->blobs.size(), 1u);
         b->blobs[0]->strength->Evaluate(0);
         EXPECT_EQ(b->blobs[0]->strength->GetValues()[0], 0) << "never below 0";
         ASSERT_NE(b->thresholdTrack, nullptr);
       }},
      {"object metablobs \"b\" { detail 255 }", -1,
       "Detail level should be in range [2, 254] (default is 30)", nullptr},
      {"object metablobs \"b\" { detail 10, 20 }", 2, ", expected, but found }!", nullptr},
      {"object metablobs \"b\" { Detail 10 }", 100, "Syntax error!", nullptr},
      {"object metablobs \"b\" { blob { sine cosine (1, 1, 1); } }", 202, "Syntax error!", nullptr},
      {"object metablobs \"b\" { blob { size 1; } }", 201, "Syntax error!", nullptr},
      {"object tree \"t\" { material \"m\" depth 3 spread 0.5 balance 1 up (0, 0, 5) right (0, 0, "
       "0) "
       "position (3, 4, 0) }",
       0, "",
       [](cText3Dscene& s) {
         auto* t = Find<c3Dtree>(s, "t");
         ASSERT_NE(t, nullptr);
         EXPECT_EQ(t->up.z, 1);
         EXPECT_EQ(t->right.x, 1);
         EXPECT_FLOAT_EQ(t->origin.x, 0.6f);
         EXPECT_FLOAT_EQ(t->origin.y, 0.8f);
         ASSERT_EQ(t->parts.size(), 1u) << "one material for branches and leaves";
       }},
      {"object tree \"t\" { radius 0 }", -1, "Radius value must not be zero or negative!", nullptr},
      {"object tree \"t\" { depth 2 }", -1, "Depth value must not be less than 3!", nullptr},
      {"object tree \"t\" { leaf 0.2 }", -1, "\"size\" expected!", nullptr},
      {"object tree \"t\" { leaf size -1 }", -1, "Leaf size must not be zero or negative!",
       nullptr},
      {"object tantree \"f\" { material \"m\" leaves 100000 trunk segments 0 }", 0, "",
       [](cText3Dscene& s) {
         auto* f = Find<c3Dtantree>(s, "f");
         ASSERT_NE(f, nullptr);
         EXPECT_EQ(f->segments, 0);
       }},
      {"object tantree \"f\" { leaves 100001 }", -1,
       "Number of leaves must be in range 1 to 100,000!", nullptr},
      {"object tantree \"f\" { trunk sides 2 }", -1, "Trunk side count must not be less than 3!",
       nullptr},
      {"object tantree \"f\" { trunk segments -1 }", -1,
       "There can be no negative trunk segment count!", nullptr},
      {"object tantree \"f\" { trunk 5 }", 2, "Identifier expected, but found Number!", nullptr},
      {"object tantree \"f\" { trunk width 5 }", 101, "Syntax error!", nullptr},
      {"object tantree \"f\" { height 0 }", -1, "Height value must not be zero or negative!",
       nullptr},
      {"object temporary \"box\" { } object watersurface \"w\" { material \"m\" unit 2 "
       "texture multiplyer 0.01 wave multiplyer 0.02 amplitude 3 default face count 1000 "
       "splash { start 1 } splash { height 5 } }",
       0, "",
       [](cText3Dscene& s) {
         auto* w = Find<c3Dwatersurface>(s, "w");
         ASSERT_NE(w, nullptr);
         EXPECT_NE(w->unitTrack, nullptr);
         EXPECT_NE(w->waveMultiplyerTrack, nullptr);
         EXPECT_EQ(w->splashes.size(), 2u);
         EXPECT_EQ(w->splashes[0]->length, 100);
       }},
      {"object temporary \"box\" { } object watersurface \"w\" { extra clipper \"box\" }", -1,
       "Object \"box\" does not exists or is no triangular mesh!", nullptr},
      {"object watersurface \"w\" { wave speed 3 }", 100, "Syntax error!", nullptr},
      {"object watersurface \"w\" { splash { fade 1 } }", -1, "\"factor\" expected!", nullptr},
      {"object tantree \"f\" { material \"m\" leaves 50 } "
       "add xmasdecoration to \"f\" { add 2 spheres { material \"m\" } }",
       0, "",
       [](cText3Dscene& s) {
         auto* f = Find<c3Dtantree>(s, "f");
         ASSERT_NE(f, nullptr);
         ASSERT_NE(f->firstChild, nullptr);
         ASSERT_NE(f->firstChild->nextSibling, nullptr);
       }},
  };
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    for (const Case& c : cases) ReadCase(c);
  });
}

}  // namespace
