// Vertex formats, vertex arrays over Direct3D vertex buffers or system memory,
// the two draw operations, and triangle batches that queue many small indexed
// triangle lists and draw them with one call. Every state change of the 3D
// layer flushes the batches first, so queued triangles are drawn with the
// state they were queued under. Main thread only.
#pragma once

#include <cstdint>

#include "foundation/basis.h"
#include "platform/d3d.h"

namespace VOXA2::threedee {

struct VertexFormat : public virtual basis::basisStruct {
  ~VertexFormat() override = default;
  // Computes and stores the size in bytes of one vertex.
  std::uint32_t GetVertexSize();

  bool position = false;
  bool reciprocalW = false;
  bool normal = false;
  bool diffuse = false;
  bool specular = false;
  std::uint32_t blendWeightCount = 0;
  std::uint32_t textureSetCount = 0;
  std::uint32_t vertexSize = 0;
};

class VertexArray;

// Where one vertex of an array lies, and where each component lies inside it.
struct VertexPointer {
  VertexArray* owner = nullptr;
  std::uint8_t* vertex = nullptr;
  std::uint32_t stride = 0;
  std::uint32_t fvf = 0;
  std::uint32_t position = 0;
  std::uint32_t normal = 0;
  std::uint32_t blendWeights = 0;
  std::uint32_t textureCoords = 0;
  std::uint32_t diffuse = 0;
  std::uint32_t specular = 0;
  std::uint32_t reciprocalW = 0;

  // Copies source into destination; a null source leaves destination as it was.
  static void CopyIfGiven(VertexPointer* destination, const VertexPointer* source);
};

// The pointer layout of a format (owner and vertex address left null).
VertexPointer MakeVertexPointer(const VertexFormat& format);
// Pre-transformed position (x, y, z, 1/w), diffuse colour and one pair of
// texture coordinates: the format of everything drawn straight in screen space.
VertexFormat ScreenVertexFormat();

class VertexArray : public virtual basis::basisObject {
 public:
  ~VertexArray() override;

  // Null when there is no Direct3D device or its buffer cannot be made.
  static VertexArray* Create(bool deviceBuffer, std::int32_t count, const VertexFormat& format);
  // Lock modes 0-3 (see the lock flags); false when the buffer gave no memory.
  bool Lock(std::uint32_t mode);
  void Unlock();
  static void CopyFrom(const VertexPointer& destination, const VertexPointer& source);
  static void SetVertices(VertexArray* destination, VertexArray* source, std::int32_t first,
                          std::int32_t last, std::int32_t destinationIndex, std::uint32_t lockHint);

  std::int32_t vertexCount = 0;
  std::uint8_t* data = nullptr;
  VertexPointer pointer;
  VertexFormat format;
  bool systemMemory = false;
  bool locked = false;
  IDirect3DVertexBuffer7* buffer = nullptr;
  bool ownsBuffer = true;
};

// Primitive kinds 0-5: point list, line list, line strip, triangle list, strip, fan.
void DrawPrimitive(std::uint32_t kind, VertexArray* array, std::uint32_t first, std::uint32_t last);
void DrawIndexedPrimitive(std::uint32_t kind, VertexArray* array, std::uint16_t* indices,
                          std::int32_t indexCount, std::int32_t first, std::uint32_t last);

class Batch : public virtual basis::basisObject {
 public:
  Batch(const VertexFormat& format, std::int32_t vertexCapacity);
  virtual void CreateArrays(std::int32_t vertexCount);
  virtual void ReleaseArrays();
  ~Batch() override;
  virtual void Flush();
  virtual bool HasPending();

  VertexFormat format;
  std::int32_t vertexCapacity = 0;
  VertexArray* vertexArray = nullptr;
  std::int32_t pending = 0;
};

class TriangleBatch : public Batch {
 public:
  TriangleBatch(const VertexFormat& format, std::int32_t vertexCapacity);
  void CreateArrays(std::int32_t vertexCount) override;
  void ReleaseArrays() override;
  ~TriangleBatch() override;
  void Flush() override;

  // Reserves nV vertices and nI indices; the caller writes the vertices through
  // the returned staging array's pointer and the indices (base + local index)
  // into the index area. Null when the batch has no vertex array (no device).
  VertexArray* AddIndices(std::int32_t nV, std::int32_t nI, std::uint16_t** indexArea,
                          std::uint16_t* base);

  std::int32_t indexCapacityAsked = 0;
  std::uint16_t* indexList = nullptr;
  std::int32_t indexCapacity = 0;
  std::int32_t indexCount = 0;
  VertexArray* staging = nullptr;
};

TriangleBatch* CreateBatch(const VertexFormat& format, std::int32_t vertexCapacity,
                           std::int32_t indexCapacity);
void FlushPrimitives();
void UpdateBatchPending();
void DestroyBatches();

// Some batch holds vertices that are not drawn yet.
bool PrimitivesPending();
// Counts DestroyBatches: a batch made under an older generation is gone (a
// DeviceOwned handle of windxkernel/deviceowned.h checks that for its holder).
std::uint32_t BatchGeneration();
// The lighting state last sent by the draw operations (the device start-up sets it on).
extern bool keptLightingState;

}  // namespace VOXA2::threedee
