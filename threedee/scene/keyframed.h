// Scene objects that follow key-frame tracks: c3DStemporary evaluates its
// tracks each frame and builds world = parent · T · R · S with its inverse;
// the node classes of loaded animations combine it with a kind (meshes that
// morph, cameras aimed at targets with roll, omni, spot and ambient lights,
// bones); the time mapper runs its subtree on a frame of its own.
#pragma once

#include "threedee/scene/cameras.h"
#include "threedee/scene/morphtracks.h"
#include "threedee/scene/rotationtracks.h"
#include "threedee/scene/steptracks.h"
#include "threedee/scene/trimesh.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2::threedee {

// out = a · b (b applied first); out may be a or b.
void MultiplyMatrices(Matrix4& out, const Matrix4& a, const Matrix4& b);

class c3DStemporary : public virtual c3Dobject {
 public:
  c3DStemporary() { inheritMatrices = false; }
  ~c3DStemporary() override;

  bool Update(float frame, float time, float sinceStart, float fraction) override {
    return Animate(frame, time, sinceStart, fraction);
  }
  virtual bool Animate(float frame, float time, float sinceStart, float fraction);
  // The tracks at the frame, the hidden flag, and the two matrices.
  virtual bool EvaluateTracks(float frame, float time, float sinceStart, float fraction);
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DStemporary* target) const;
  // Typed copies of the source's present tracks into the (new) destination.
  static void CopyTracks(const c3DStemporary& source, c3DStemporary& destination);

  cView3Di_position* positionTrack = nullptr;
  cView3Di_rotation* rotationTrack = nullptr;
  cView3Di_position* scaleTrack = nullptr;
  cView3Di_position* fovTrack = nullptr;      // degrees
  cView3Di_position* rollTrack = nullptr;     // degrees
  cView3Di_position* colourTrack = nullptr;   // 0..1
  cView3Di_position* hotspotTrack = nullptr;  // degrees
  cView3Di_position* falloffTrack = nullptr;  // degrees
  cView3Di_enum* hideTrack = nullptr;
  cView3Di_morph* morphTrack = nullptr;  // evaluated by the keyframed mesh only
};

class c3DSmesh : public c3DtriangularMesh, public virtual c3DStemporary {
 public:
  bool Update(float frame, float time, float sinceStart, float fraction) override;
  bool Animate(float frame, float time, float sinceStart, float fraction) override {
    return Update(frame, time, sinceStart, fraction);
  }
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DSmesh* target) const;
};

class c3DScamera : public c3Dcamera, public virtual c3DStemporary {
 public:
  // The view from the tracks: the field of view, aim at the target with the
  // eye pulled back by the focal factor, and roll.
  void ComputeView(Matrix4& view, Matrix4& projection, cFustrum& fustrum, Vector& eye) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DScamera* target) const;
  void SetScene(c3Dscene* newScene) override;

  c3DStemporary* target = nullptr;  // the tree's
};

class c3DStarget : public c3Dtarget, public virtual c3DStemporary {
 public:
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DStarget* target) const;
};

class c3DSlight_omni : public c3Dlight, public virtual c3DStemporary {
 public:
  void GetLightDescription(DeviceLight& record) override;
  float GetMultiplier(c3Dmesh*) override { return 1.0f; }
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DSlight_omni* target) const;
};

class c3DSlight_spot : public c3Dlight, public virtual c3DStemporary {
 public:
  void GetLightDescription(DeviceLight& record) override;
  float GetMultiplier(c3Dmesh*) override { return 1.0f; }
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DSlight_spot* target) const;
  void SetScene(c3Dscene* newScene) override;

  c3DStemporary* target = nullptr;  // the tree's
};

// Sets the device's ambient colour; its record stays as given.
class c3DSlight_ambient : public c3Dlight, public virtual c3DStemporary {
 public:
  void GetLightDescription(DeviceLight& record) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DSlight_ambient* target) const;
};

class c3DSbone : public c3Dbone, public virtual c3DStemporary {
 public:
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DSbone* target) const;
};

class c3Dtime_mapper : public virtual c3DStemporary {
 public:
  ~c3Dtime_mapper() override { delete timeTrack; }

  // Its own tracks at the scene's frame; its children at the time track's value.
  bool Update(float frame, float time, float sinceStart, float fraction) override;
  bool Animate(float frame, float time, float sinceStart, float fraction) override {
    return Update(frame, time, sinceStart, fraction);
  }
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dtime_mapper* target) const;

  cView3Di_position* timeTrack = nullptr;
};

}  // namespace VOXA2::threedee
