// An animated water surface: a height field over the object's own x-y plane
// (z up) rebuilt at every draw for just the part of the endless plane that
// can be seen (the view volume, cut to a slab around the eye and optionally to
// a clipper mesh). Two crossed sine waves make the base swell; timed circular
// splashes add ripples. The grid is written two rows at a time and drawn row
// pair by row pair as triangle strips, so the whole mesh never exists.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "threedee/objects/fxvolume.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/mesh.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {
class cParserT;
}

namespace VOXA2::threedee {

class t3Dwater_splash : public virtual basis::basisStruct {
 public:
  // The tracks are the water's to release (Release), not the record's.
  ~t3Dwater_splash() override = default;

  // Reads a splash block ("{" items "}") with the scene's frame count as its
  // default length and the scale of relative key times.
  static bool Parse(cParserT* parser, t3Dwater_splash* splash, c3Dscene* scene);
  static void Release(t3Dwater_splash* splash);
  static void CopyFrom(const t3Dwater_splash* source, t3Dwater_splash* destination);

  bool IsActive(float time) const { return start <= time && time < start + length; }
  // The tracks at the time (a splash's values follow the frame time itself).
  void Evaluate(float time);

  float start = 0;
  float length = 0;
  cView3Di_position* position = nullptr;  // 2 components
  cView3Di_position* height = nullptr;
  cView3Di_position* radius = nullptr;
  cView3Di_position* fadeFactor = nullptr;
  cView3Di_position* waveSpeed = nullptr;
  // The values of the last Evaluate, the defaults where a track is missing.
  float px = 0, py = 0, h = 100, rho = 0.00005f, f = 0.00001f, w = 0.325984f;
};

class c3Dwatersurface : public c3DoneMaterialMesh, public virtual c3DStemporary {
 public:
  static constexpr int kMaxColumns = 10000;

  c3Dwatersurface();
  ~c3Dwatersurface() override;

  bool Update(float frame, float time, float sinceStart, float fraction) override {
    return Animate(frame, time, sinceStart, fraction);
  }
  bool Animate(float frame, float time, float sinceStart, float fraction) override;
  bool Draw() override;
  bool Render(bool recurse) override { return c3DoneMaterialMesh::Render(recurse); }
  void SetScene(c3Dscene* newScene) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dwatersurface* target) const;

  t3Dwater_splash* AddSplash();
  // One grid row at height y: the base waves of half height A, then the
  // ripples of the active splashes, into vertices first .. first + count - 1.
  void WriteRow(VertexArray& array, int first, int count, float x0, float y, float cell, float A,
                const std::vector<t3Dwater_splash*>& active) const;

  float textureMultiplyer = 0.001f;
  float waveMultiplyer = 0.005f;
  float amplitude = 250.0f;
  VertexFormat vertexFormat;
  std::unique_ptr<VertexArray> vertices;
  std::vector<std::uint16_t> indices;
  std::unique_ptr<c3DFXVolume> frustumVolume;
  std::unique_ptr<c3DFXVolume> boxVolume;
  std::unique_ptr<c3DFXVolume> clipperVolume;
  cView3Di_position* unitTrack = nullptr;               // owned
  cView3Di_position* textureMultiplyerTrack = nullptr;  // owned
  cView3Di_position* waveMultiplyerTrack = nullptr;     // owned
  cView3Di_position* amplitudeTrack = nullptr;          // owned
  c3DtriangularMesh* clipper = nullptr;                 // the scene's
  std::vector<t3Dwater_splash*> splashes;               // owned
  float time = 0;
  // The grid of the last draw (0 when it drew nothing).
  int columns = 0, rows = 0;
  float cell = 0;
  bool toldRange = false;
};

}  // namespace VOXA2::threedee
