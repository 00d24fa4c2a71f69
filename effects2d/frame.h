// What the 2D commands share beyond their blocks: holding a surface's lock,
// and the start-up registration of the commands and collectors of this
// library.
#pragma once

#include <cstdint>

namespace VOXA2 {

namespace video {
class voxaSurface;
}

namespace effects2d {

// Holds a surface's lock for a scope: whatever path leaves it, the surface is
// unlocked. Log the failure of a lock that did not take.
class SurfaceLock {
 public:
  // mode: 1 read only, 2 write only, 3 read and write.
  SurfaceLock(video::voxaSurface* surface, int mode);
  ~SurfaceLock();
  SurfaceLock(const SurfaceLock&) = delete;
  SurfaceLock& operator=(const SurfaceLock&) = delete;
  bool Locked() const { return surface_ != nullptr; }
  std::uint8_t* Pixels() const { return static_cast<std::uint8_t*>(pixels_); }
  int Pitch() const { return pitch_; }
  // The part of the screen the surface holds: commands lay out on the screen's
  // size, but a demo's own buffers have the drawing area's size, which is
  // smaller when the mode is larger than the area. Nothing is drawn past it.
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

 private:
  video::voxaSurface* surface_ = nullptr;
  void* pixels_ = nullptr;
  int pitch_ = 0;
  std::int32_t width_ = 0, height_ = 0;
};

}  // namespace effects2d

// Hands the creators of this library's commands to the command registry and its
// collector kinds to the collector registry, and makes sure the picture readers
// and filters are registered. Call before RegisterCommands.
bool RegisterEffects2D();

}  // namespace VOXA2
