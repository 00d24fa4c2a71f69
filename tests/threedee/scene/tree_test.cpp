// The object tree and the scene: the order of the three walks, the searches,
// copies with their sibling chains and new ids, and the scene's copy, lookups
// and texture loading.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "threedee/scene/cameras.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"

namespace {

using namespace VOXA2::threedee;

std::vector<std::string>& Trace() {
  static std::vector<std::string> trace;
  return trace;
}

// Records each walk's visits by name ("-" for an unnamed object).
class cProbe : public virtual c3Dobject {
 public:
  bool Update(float frame, float time, float sinceStart, float fraction) override {
    Trace().push_back(Label());
    return c3Dobject::Update(frame, time, sinceStart, fraction) && !failing;
  }
  bool PostUpdate() override {
    Trace().push_back(Label());
    return c3Dobject::PostUpdate();
  }
  bool Render(bool recurse) override {
    Trace().push_back(Label());
    return c3Dobject::Render(recurse);
  }
  c3Dobject* Duplicate() const override { return DuplicateAs(*this, "cProbe"); }
  void SetScene(c3Dscene* newScene) override {
    c3Dobject::SetScene(newScene);
    // Binds its material by name in the new scene, as a mesh does.
    material = newScene && material ? newScene->FindMaterial(material->GetName()) : material;
  }
  void CopyTo(cProbe* target) const {
    c3Dobject::CopyTo(target);
    target->material = material;
  }
  std::string Label() const { return GetName() ? GetName() : "-"; }

  cMaterial* material = nullptr;
  bool failing = false;
};

c3Dobject* Named(c3Dobject* object, const char* name) {
  object->SetName(name);
  return object;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : " ") + p;
  return out;
}

// Every name of a chain and its subtrees, in pre-order.
std::string Names(const c3Dobject* object) {
  std::vector<std::string> names;
  std::function<void(const c3Dobject*)> walk = [&](const c3Dobject* o) {
    for (; o; o = o->nextSibling) {
      names.push_back(o->GetName() ? o->GetName() : "-");
      walk(o->firstChild);
    }
  };
  walk(object);
  return Joined(names);
}

void Link(c3Dobject* parent, std::vector<c3Dobject*> children) {
  c3Dobject** slot = &parent->firstChild;
  for (c3Dobject* child : children) {
    child->parent = parent;
    *slot = child;
    slot = &child->nextSibling;
  }
}

// Root, Alpha (with Deep), an unnamed object (with Under) and Gamma below it;
// Second beside it; a material's id among them must never be found.
struct Tree {
  Tree() {
    root.reset(Named(new cProbe, "Root"));
    alpha = Named(new cProbe, "Alpha");
    deep = Named(new cProbe, "Deep");
    unnamed = new cProbe;
    under = Named(new cProbe, "Under");
    gamma = Named(new cProbe, "deep");
    Link(root.get(), {alpha, unnamed, gamma});
    Link(alpha, {deep});
    Link(unnamed, {under});
    root->nextSibling = Named(new cProbe, "Second");
  }
  std::unique_ptr<c3Dobject> root;
  c3Dobject *alpha, *deep, *unnamed, *under, *gamma;
  cMaterial material;
};

std::string Found(const c3Dobject* o) { return o ? (o->GetName() ? o->GetName() : "-") : "null"; }

TEST(ObjectTree, WalksSearchesAndCopies) {
  struct Case {
    const char* rule;
    std::function<std::string(Tree&)> run;
    const char* expected;
  } cases[] = {
      {"update is pre-order, subtree before the next sibling",
       [](Tree& t) {
         t.root->Update(1, 2, 3, 0.5f);
         return Joined(Trace());
       },
       "Root Alpha Deep - Under deep Second"},
      {"a failing branch is reported, and the walk goes on",
       [](Tree& t) {
         dynamic_cast<cProbe*>(t.deep)->failing = true;
         const bool ok = t.root->Update(1, 2, 3, 0.5f);
         return std::string(ok ? "true " : "false ") + Joined(Trace());
       },
       "false Root Alpha Deep - Under deep Second"},
      {"post-update walks in the same order",
       [](Tree& t) {
         t.root->PostUpdate();
         return Joined(Trace());
       },
       "Root Alpha Deep - Under deep Second"},
      {"render with recurse walks in the same order",
       [](Tree& t) {
         t.root->Render(true);
         return Joined(Trace());
       },
       "Root Alpha Deep - Under deep Second"},
      {"render without recurse visits the object alone",
       [](Tree& t) {
         t.alpha->Render(false);
         return Joined(Trace());
       },
       "Alpha"},
      {"names are found without regard to case",
       [](Tree& t) { return Found(c3Dobject::FindByName(t.root.get(), "ALPHA")); }, "Alpha"},
      {"the first match in pre-order wins",
       [](Tree& t) {
         const c3Dobject* o = c3Dobject::FindByName(t.root.get(), "DEEP");
         return std::string(o == t.deep ? "the deeper Deep" : "another");
       },
       "the deeper Deep"},
      {"an unnamed object is passed over, its children are searched",
       [](Tree& t) { return Found(c3Dobject::FindByName(t.root.get(), "under")); }, "Under"},
      {"the siblings of the root are searched",
       [](Tree& t) { return Found(c3Dobject::FindByName(t.root.get(), "second")); }, "Second"},
      {"a missing name gives null",
       [](Tree& t) { return Found(c3Dobject::FindByName(t.root.get(), "nowhere")); }, "null"},
      {"an id of the tree is found",
       [](Tree& t) { return Found(c3Dobject::FindById(t.root.get(), t.under->id)); }, "Under"},
      {"a material's id is never found in the tree",
       [](Tree& t) { return Found(c3Dobject::FindById(t.root.get(), t.material.id)); }, "null"},
      {"a duplicate of a first child copies the siblings after it",
       [](Tree& t) {
         std::unique_ptr<c3Dobject> copy(t.alpha->Duplicate());
         return Names(copy.get());
       },
       "Alpha Deep - Under deep"},
      {"the copies have new ids",
       [](Tree& t) {
         std::unique_ptr<c3Dobject> copy(t.alpha->Duplicate());
         for (const c3Dobject* o : {copy.get(), copy->firstChild, copy->nextSibling,
                                    copy->nextSibling->firstChild, copy->nextSibling->nextSibling})
           if (c3Dobject::FindById(t.root.get(), o->id)) return std::string("an old id");
         return std::string("all new");
       },
       "all new"},
      {"the copies keep their class",
       [](Tree& t) {
         std::unique_ptr<c3Dobject> copy(t.gamma->Duplicate());
         return std::string(dynamic_cast<cProbe*>(copy.get()) ? "cProbe" : "other");
       },
       "cProbe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Tree tree;
    Trace().clear();
    EXPECT_EQ(c.run(tree), c.expected);
  }
}

TEST(ObjectTree, MatricesComeDownFromTheParent) {
  Tree tree;
  Matrix4 placed = identityMatrix;
  placed.m[3] = 5.0f;
  placed.m[7] = -2.0f;
  Matrix4 inverse;
  Matrix4::Invert(inverse, placed);
  tree.root->world = placed;  // stale: a root that inherits gets the identity
  tree.alpha->inheritMatrices = false;
  tree.alpha->world = placed;
  tree.alpha->inverseWorld = inverse;
  tree.root->Update(0, 0, 0, 0);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(tree.root->world.m[i], identityMatrix.m[i]);
    EXPECT_EQ(tree.root->inverseWorld.m[i], identityMatrix.m[i]);
    EXPECT_EQ(tree.deep->world.m[i], placed.m[i]);
    EXPECT_EQ(tree.deep->inverseWorld.m[i], inverse.m[i]);
  }
}

TEST(ObjectTree, KindCodesOfTheSceneObjects) {
  EXPECT_EQ(c3Dobject().kind, 0);
  EXPECT_EQ(c3Dbone().kind, 2);
  EXPECT_EQ(c3Dcamera().kind, 3);
  EXPECT_EQ(c3Dlight().kind, 4);
  EXPECT_EQ(c3Dtarget().kind, 5);
}

// ---- the scene ----

// A scene of three materials and a tree in which a probe named "Lamp" comes
// before a light of the same name; a camera and a second light further on.
struct SceneFixture {
  SceneFixture() {
    for (const char* name : {"Stone", "Glass", "Wood"}) {
      auto* m = new cMaterial;
      m->SetName(name);
      scene.AddMaterial(m);
    }
    scene.frames = 120;
    auto* root = new cProbe;
    root->SetName("Root");
    auto* lampProbe = new cProbe;
    lampProbe->SetName("Lamp");
    lampProbe->material = scene.FindMaterial("glass");
    auto* lamp = new c3Dlight;
    lamp->SetName("lamp");
    auto* camera = new c3Dcamera;
    camera->SetName("Eye");
    auto* fill = new c3Dlight;
    fill->SetName("Fill");
    Link(root, {lampProbe, lamp, camera});
    Link(camera, {fill});
    scene.root = root;
    scene.root->SetScene(&scene);
    scene.CollectCamerasAndLights(scene.root);
  }
  c3Dscene scene;
};

TEST(Scene, FindsByClassOnlyTheFirstObjectOfAName) {
  SceneFixture f;
  EXPECT_EQ(f.scene.FindLight("LAMP"), nullptr);  // the probe comes first
  ASSERT_NE(f.scene.FindListedLight("LAMP"), nullptr);
  EXPECT_STREQ(f.scene.FindListedLight("LAMP")->GetName(), "lamp");
  EXPECT_NE(f.scene.FindCamera("eye"), nullptr);
  EXPECT_EQ(f.scene.FindTarget("eye"), nullptr);
  EXPECT_EQ(f.scene.FindObject(nullptr), nullptr);
  EXPECT_EQ(f.scene.FindObjectById(f.scene.materials[0]->id), nullptr);
  EXPECT_EQ(f.scene.FindMaterialById(f.scene.materials[2]->id), f.scene.materials[2]);
  ASSERT_EQ(f.scene.lights.size(), 2u);
  EXPECT_STREQ(f.scene.lights[1]->GetName(), "Fill");  // pre-order
}

TEST(Scene, CopyHasNewIdsTheSameNamesAndItsOwnMaterials) {
  SceneFixture f;
  c3Dscene copy;
  copy.AddMaterial(new cMaterial);  // replaced by the copy
  copy.frames = 7;
  ASSERT_TRUE(f.scene.CopyTo(&copy));
  EXPECT_EQ(copy.frames, 120);
  ASSERT_EQ(copy.materials.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_STREQ(copy.materials[i]->GetName(), f.scene.materials[i]->GetName());
    EXPECT_NE(copy.materials[i]->id, f.scene.materials[i]->id);
    EXPECT_EQ(copy.materials[i]->scene, &copy);
  }
  EXPECT_EQ(Names(copy.root), Names(f.scene.root));
  auto* probe = dynamic_cast<cProbe*>(copy.FindObject("Lamp"));
  ASSERT_NE(probe, nullptr);
  EXPECT_NE(probe->id, f.scene.FindObject("Lamp")->id);
  EXPECT_EQ(probe->material, copy.materials[1]);
  EXPECT_EQ(probe->parent, copy.root);
  EXPECT_EQ(probe->scene, &copy);
  EXPECT_EQ(copy.FindObject("Fill")->parent, copy.FindObject("Eye"));
  ASSERT_EQ(copy.lights.size(), 2u);
  EXPECT_EQ(copy.lights[0], copy.FindListedLight("lamp"));
  EXPECT_NE(copy.lights[0], f.scene.lights[0]);
  ASSERT_EQ(copy.cameras.size(), 1u);

  std::unique_ptr<c3Dscene> duplicate(f.scene.Duplicate());
  EXPECT_EQ(Names(duplicate->root), Names(f.scene.root));
  EXPECT_FALSE(duplicate->Load("any.3ds"));
}

TEST(Scene, CopyIntoItselfKeepsTheScene) {
  SceneFixture f;
  c3Dobject* root = f.scene.root;
  ASSERT_TRUE(f.scene.CopyTo(&f.scene));
  EXPECT_EQ(f.scene.root, root);
  EXPECT_EQ(f.scene.materials.size(), 3u);
  EXPECT_FALSE(f.scene.CopyTo(nullptr));
}

TEST(Scene, CopyWithoutATreeHasNoLightsOrCameras) {
  c3Dscene empty;
  empty.AddMaterial(nullptr);  // a hole stays a hole
  std::unique_ptr<c3Dscene> copy(empty.Duplicate());
  EXPECT_EQ(copy->root, nullptr);
  EXPECT_TRUE(copy->lights.empty());
  EXPECT_TRUE(copy->cameras.empty());
  ASSERT_EQ(copy->materials.size(), 1u);
  EXPECT_EQ(copy->materials[0], nullptr);
  // Texture loading passes over the hole, and an empty list succeeds.
  EXPECT_TRUE(copy->LoadTextures(nullptr));
  EXPECT_TRUE(c3Dscene().LoadTextures(nullptr));
}

}  // namespace
