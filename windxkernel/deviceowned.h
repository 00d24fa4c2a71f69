// An owning handle for a resource that the device layer frees on its own when
// the device goes away (DestroyBatches frees every triangle batch). The handle
// remembers the batch generation it was filled in: once the generation moves
// on, the resource is gone, so the handle answers null and never touches or
// frees it again. Main thread only, like the batches themselves.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {

template <class T>
class DeviceOwned {
  static_assert(std::is_base_of_v<Batch, T>, "only batches are freed by the device layer");

 public:
  DeviceOwned() = default;
  explicit DeviceOwned(T* resource) : resource_(resource), generation_(BatchGeneration()) {}
  ~DeviceOwned() { Free(); }

  DeviceOwned(DeviceOwned&& other) noexcept
      : resource_(std::exchange(other.resource_, nullptr)), generation_(other.generation_) {}
  DeviceOwned& operator=(DeviceOwned&& other) noexcept {
    if (this != &other) {
      Free();
      resource_ = std::exchange(other.resource_, nullptr);
      generation_ = other.generation_;
    }
    return *this;
  }
  DeviceOwned(const DeviceOwned&) = delete;
  DeviceOwned& operator=(const DeviceOwned&) = delete;

  // Null when empty or when the device layer has freed the resource since.
  T* get() const { return Live() ? resource_ : nullptr; }
  T* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }

  // Frees the held resource if it is still alive and takes the new one, made
  // under the current generation.
  void reset(T* resource = nullptr) {
    Free();
    resource_ = resource;
    generation_ = BatchGeneration();
  }

 private:
  bool Live() const { return resource_ && generation_ == BatchGeneration(); }
  void Free() {
    if (Live()) delete resource_;
    resource_ = nullptr;
  }

  T* resource_ = nullptr;
  std::uint32_t generation_ = 0;
};

using BatchHandle = DeviceOwned<TriangleBatch>;

}  // namespace VOXA2::threedee
