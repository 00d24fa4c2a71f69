#include "windxkernel/vertexarray.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {

bool keptLightingState = true;

namespace {

std::vector<Batch*> batchList;
bool pendingFlag = false;
std::uint32_t generation = 0;

constexpr D3DPRIMITIVETYPE kPrimitiveTypes[6] = {D3DPT_POINTLIST,     D3DPT_LINELIST,
                                                 D3DPT_LINESTRIP,     D3DPT_TRIANGLELIST,
                                                 D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLEFAN};

DWORD LockFlags(std::uint32_t mode) {
  switch (mode) {
    case 1:
      return DDLOCK_NOSYSLOCK | DDLOCK_WRITEONLY;
    case 2:
      return DDLOCK_NOSYSLOCK | DDLOCK_WRITEONLY | DDLOCK_NOOVERWRITE;
    case 3:
      return DDLOCK_NOSYSLOCK | DDLOCK_WRITEONLY | DDLOCK_DISCARDCONTENTS;
    default:
      return DDLOCK_NOSYSLOCK;
  }
}

// Lighting is on for vertices that carry a normal or are already transformed.
void SwitchLighting(const VertexFormat& f) {
  bool lighting = f.reciprocalW || f.normal;
  if (lighting == keptLightingState) return;
  keptLightingState = lighting;
  kernel::d3dState.device->SetRenderState(D3DRENDERSTATE_LIGHTING, lighting ? TRUE : FALSE);
}

void LogFailure(const char* what, HRESULT r) {
  LogMessage(5, "%s failed! (%s, %s)", what, kernel::D3DErrorName(r), kernel::DDErrorName(r));
}

VertexFormat Normalised(const VertexFormat& f) {
  VertexFormat n;
  n.position = f.position;
  n.reciprocalW = f.reciprocalW;
  n.normal = f.normal;
  n.diffuse = f.diffuse;
  n.specular = f.specular;
  n.blendWeightCount = f.blendWeightCount;
  n.textureSetCount = f.textureSetCount;
  n.vertexSize = f.vertexSize;
  return n;
}

}  // namespace

std::uint32_t VertexFormat::GetVertexSize() {
  vertexSize = (position ? 12 : 0) + (reciprocalW ? 4 : 0) + (normal ? 12 : 0) + (diffuse ? 4 : 0) +
               (specular ? 4 : 0) + 4 * blendWeightCount + 8 * textureSetCount;
  return vertexSize;
}

void VertexPointer::CopyIfGiven(VertexPointer* destination, const VertexPointer* source) {
  if (source && destination) *destination = *source;
}

VertexFormat ScreenVertexFormat() {
  VertexFormat format;
  format.position = true;
  format.reciprocalW = true;
  format.diffuse = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  return format;
}

VertexPointer MakeVertexPointer(const VertexFormat& f) {
  VertexPointer p;
  std::uint32_t o = 0, fvf = 0;
  if (f.position) {
    p.position = 0;
    fvf = D3DFVF_XYZ;
    o = 12;
  }
  if (f.reciprocalW) {
    p.reciprocalW = o;
    fvf = (fvf & ~D3DFVF_POSITION_MASK) | D3DFVF_XYZRHW;
    o += 4;
  }
  p.blendWeights = o;
  o += 4 * f.blendWeightCount;
  // Counts 1 to 5 turn XYZ into XYZB1..XYZB5; other counts add no bits. The
  // code replaces XYZ rather than being or-ed into it: or-ed, two weights would
  // read as XYZB3 and four as XYZB5, and the device would step through the
  // vertices with the wrong size.
  if (f.blendWeightCount >= 1 && f.blendWeightCount <= 5 && fvf == D3DFVF_XYZ)
    fvf = D3DFVF_XYZB1 + 2 * (f.blendWeightCount - 1);
  if (f.normal) {
    p.normal = o;
    fvf |= D3DFVF_NORMAL;
    o += 12;
  }
  if (f.diffuse) {
    p.diffuse = o;
    fvf |= D3DFVF_DIFFUSE;
    o += 4;
  }
  if (f.specular) {
    p.specular = o;
    fvf |= D3DFVF_SPECULAR;
    o += 4;
  }
  p.textureCoords = o;
  o += 8 * f.textureSetCount;
  fvf |= f.textureSetCount << D3DFVF_TEXCOUNT_SHIFT;
  p.fvf = fvf;
  p.stride = o;
  return p;
}

// ------------------------------------------------------------- VertexArray

VertexArray::~VertexArray() {
  if (systemMemory) std::free(data);
  if (buffer && ownsBuffer) {
    if (locked) buffer->Unlock();
    buffer->Release();
  }
}

VertexArray* VertexArray::Create(bool deviceBuffer, std::int32_t count,
                                 const VertexFormat& format) {
  IDirect3DDevice7* device = kernel::d3dState.device;
  if (!device || !kernel::d3dState.direct3D || count < 0) return nullptr;
  VertexPointer layout = MakeVertexPointer(format);
  IDirect3DVertexBuffer7* buffer = nullptr;
  std::uint8_t* block = nullptr;
  if (deviceBuffer) {
    D3DVERTEXBUFFERDESC desc{16, D3DVBCAPS_WRITEONLY, layout.fvf, static_cast<DWORD>(count)};
    if (!kernel::d3dState.hardwareTransformAndLight) desc.dwCaps |= D3DVBCAPS_SYSTEMMEMORY;
    // A buffer that cannot be made gives no array, so no write reaches a bad address.
    if (kernel::d3dState.direct3D->CreateVertexBuffer(&desc, &buffer, 0) < 0 || !buffer)
      return nullptr;
  } else {
    size_t bytes = static_cast<size_t>(layout.stride) * static_cast<size_t>(count);
    block = static_cast<std::uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
    if (!block) throw new VOXA::errors::eCouldNotAllocateMemoryFor("vertex array");
  }
  auto* array = new (std::nothrow) VertexArray;
  if (!array) {
    std::free(block);
    if (buffer) buffer->Release();
    throw new VOXA::errors::eCouldNotCreateObject("VertexArray");
  }
  array->vertexCount = count;
  array->format = Normalised(format);
  array->systemMemory = !deviceBuffer;
  array->buffer = buffer;
  array->data = block;
  array->pointer = layout;
  array->pointer.owner = array;
  array->pointer.vertex = block;
  return array;
}

bool VertexArray::Lock(std::uint32_t mode) {
  if (systemMemory) return true;
  if (!buffer) return false;
  if (locked) Unlock();
  void* address = nullptr;
  if (buffer->Lock(LockFlags(mode), &address, nullptr) < 0) address = nullptr;
  locked = address != nullptr;
  data = static_cast<std::uint8_t*>(address);
  pointer.vertex = data;
  return locked;
}

void VertexArray::Unlock() {
  if (systemMemory || !locked) return;
  buffer->Unlock();
  locked = false;
}

void VertexArray::CopyFrom(const VertexPointer& d, const VertexPointer& s) {
  if (!d.vertex || !s.vertex) return;
  if (d.fvf == s.fvf) {
    std::memcpy(d.vertex, s.vertex, s.stride);
    return;
  }
  if (!d.owner || !s.owner) return;
  const VertexFormat& df = d.owner->format;
  const VertexFormat& sf = s.owner->format;
  auto copy = [&](std::uint32_t dOff, std::uint32_t sOff, size_t n) {
    std::memcpy(d.vertex + dOff, s.vertex + sOff, n);
  };
  if (df.position && sf.position) copy(d.position, s.position, 12);
  if (df.reciprocalW && sf.reciprocalW) copy(d.reciprocalW, s.reciprocalW, 4);
  if (df.normal && sf.normal) copy(d.normal, s.normal, 12);
  if (df.diffuse && sf.diffuse) copy(d.diffuse, s.diffuse, 4);
  if (df.specular && sf.specular) copy(d.specular, s.specular, 4);
  copy(d.blendWeights, s.blendWeights, 4 * std::min(df.blendWeightCount, sf.blendWeightCount));
  copy(d.textureCoords, s.textureCoords, 8 * std::min(df.textureSetCount, sf.textureSetCount));
}

void VertexArray::SetVertices(VertexArray* destination, VertexArray* source, std::int32_t first,
                              std::int32_t last, std::int32_t destinationIndex,
                              std::uint32_t lockHint) {
  if (!source || !destination) return;
  if (first < 0 || first >= source->vertexCount) return;
  if (last >= source->vertexCount || last < first) last = source->vertexCount - 1;
  if (destinationIndex < 0 || destinationIndex >= destination->vertexCount) return;
  std::int32_t n = last - first + 1;
  if (destinationIndex + n > destination->vertexCount)
    n = destination->vertexCount - destinationIndex;

  const bool sourceWasUnlocked = !source->systemMemory && !source->locked;
  const bool destinationWasUnlocked = !destination->systemMemory && !destination->locked;
  if (sourceWasUnlocked) source->Lock(0);
  std::uint32_t mode;
  if (lockHint == 1)
    mode = 3;
  else if (lockHint == 2)
    mode = 2;
  else
    mode = (destinationIndex == 0 && n == destination->vertexCount) ? 3 : 1;
  if (destinationWasUnlocked) destination->Lock(mode);

  if (source->data && destination->data) {
    VertexPointer s = source->pointer, d = destination->pointer;
    s.vertex = source->data + static_cast<size_t>(first) * s.stride;
    d.vertex = destination->data + static_cast<size_t>(destinationIndex) * d.stride;
    if (s.fvf == d.fvf) {
      std::memcpy(d.vertex, s.vertex, static_cast<size_t>(n) * s.stride);
    } else {
      for (std::int32_t i = 0; i < n; ++i, s.vertex += s.stride, d.vertex += d.stride)
        CopyFrom(d, s);
    }
  }
  if (destinationWasUnlocked) destination->Unlock();
  if (sourceWasUnlocked) source->Unlock();
}

// ------------------------------------------------------------------ drawing

void DrawPrimitive(std::uint32_t kind, VertexArray* array, std::uint32_t first,
                   std::uint32_t last) {
  IDirect3DDevice7* device = kernel::d3dState.device;
  if (!array || !device || array->vertexCount <= 0) return;
  if (last >= static_cast<std::uint32_t>(array->vertexCount)) last = array->vertexCount - 1;
  if (last < first || kind > 5) return;
  SwitchLighting(array->format);
  const DWORD n = last - first + 1;
  HRESULT r;
  if (array->systemMemory) {
    r = device->DrawPrimitive(kPrimitiveTypes[kind], array->pointer.fvf,
                              array->data + static_cast<size_t>(first) * array->pointer.stride, n,
                              D3DDP_WAIT);
  } else {
    if (!array->buffer) return;
    r = device->DrawPrimitiveVB(kPrimitiveTypes[kind], array->buffer, first, n, 0);
  }
  if (r < 0) LogFailure("DrawPrimitive()", r);
}

void DrawIndexedPrimitive(std::uint32_t kind, VertexArray* array, std::uint16_t* indices,
                          std::int32_t indexCount, std::int32_t first, std::uint32_t last) {
  IDirect3DDevice7* device = kernel::d3dState.device;
  if (!array || !device || array->vertexCount <= 0 || first < 0) return;
  if (last >= static_cast<std::uint32_t>(array->vertexCount)) last = array->vertexCount - 1;
  if (last < static_cast<std::uint32_t>(first) || kind > 5 || indexCount < 1 || !indices) return;
  SwitchLighting(array->format);
  const DWORD n = last - static_cast<std::uint32_t>(first) + 1;
  HRESULT r;
  if (array->systemMemory) {
    r = device->DrawIndexedPrimitive(
        kPrimitiveTypes[kind], array->pointer.fvf,
        array->data + static_cast<size_t>(first) * array->pointer.stride, n, indices,
        static_cast<DWORD>(indexCount), 0);
  } else {
    if (!array->buffer) return;
    r = device->DrawIndexedPrimitiveVB(kPrimitiveTypes[kind], array->buffer,
                                       static_cast<DWORD>(first), n, indices,
                                       static_cast<DWORD>(indexCount), 0);
  }
  if (r < 0) LogFailure("DrawIndexedPrimitive()", r);
}

// ------------------------------------------------------------------ batches

Batch::Batch(const VertexFormat& f, std::int32_t capacity)
    : format(Normalised(f)), vertexCapacity(capacity) {}

void Batch::CreateArrays(std::int32_t count) {
  vertexArray = VertexArray::Create(true, count, format);
  if (vertexArray) vertexArray->Lock(3);
}

void Batch::ReleaseArrays() {
  if (!vertexArray) return;
  vertexArray->Unlock();
  delete vertexArray;
  vertexArray = nullptr;
}

Batch::~Batch() {
  Batch::Flush();
  auto it = std::find(batchList.begin(), batchList.end(), this);
  if (it != batchList.end()) batchList.erase(it);
  Batch::ReleaseArrays();
}

void Batch::Flush() {
  pending = 0;
  if (vertexArray) vertexArray->Lock(3);
}

bool Batch::HasPending() { return pending != 0; }

TriangleBatch::TriangleBatch(const VertexFormat& f, std::int32_t capacity) : Batch(f, capacity) {}

void TriangleBatch::CreateArrays(std::int32_t count) {
  ReleaseArrays();
  Batch::CreateArrays(count);
  indexList = static_cast<std::uint16_t*>(
      std::malloc(2 * static_cast<size_t>(std::max(indexCapacityAsked, 1))));
  if (!indexList)
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("triangle batch indices list!");
  indexCapacity = indexCapacityAsked;
  indexCount = 0;
}

void TriangleBatch::ReleaseArrays() {
  std::free(indexList);
  indexList = nullptr;
  Batch::ReleaseArrays();
}

TriangleBatch::~TriangleBatch() {
  TriangleBatch::Flush();
  delete staging;
  staging = nullptr;
  TriangleBatch::ReleaseArrays();
}

void TriangleBatch::Flush() {
  if (indexCount != 0 && pending != 0 && vertexArray) {
    vertexArray->Unlock();
    DrawIndexedPrimitive(3, vertexArray, indexList, indexCount, 0,
                         static_cast<std::uint32_t>(pending - 1));
    pending = 0;
    indexCount = 0;
    vertexArray->Lock(3);
  }
  UpdateBatchPending();
}

VertexArray* TriangleBatch::AddIndices(std::int32_t nV, std::int32_t nI, std::uint16_t** indexArea,
                                       std::uint16_t* base) {
  // Made while there was no device: nothing to write into.
  if (!vertexArray || nV < 0 || nI < 0) return nullptr;
  if (pending + nV > vertexArray->vertexCount) {
    Flush();
    if (nV > vertexArray->vertexCount) {
      // Only the vertex array is re-made: queued indices were just drawn.
      Batch::ReleaseArrays();
      Batch::CreateArrays((nV + 7) / 8 * 8);
      if (!vertexArray) return nullptr;
    }
  }
  if (!vertexArray->data) return nullptr;
  if (indexCount + nI > indexCapacity) {
    std::int32_t capacity = (indexCapacity + nI + 15) / 16 * 16;
    auto* grown =
        static_cast<std::uint16_t*>(std::realloc(indexList, 2 * static_cast<size_t>(capacity)));
    if (!grown && capacity != 0)
      throw new VOXA::errors::eCouldNotAllocateMemoryFor("triangle batch indices list!");
    indexList = grown;
    indexCapacity = capacity;
  }
  *base = static_cast<std::uint16_t>(pending);
  staging->vertexCount = nV;
  staging->format = vertexArray->format;
  staging->pointer = vertexArray->pointer;
  staging->data = vertexArray->data;
  staging->pointer.vertex =
      vertexArray->data + static_cast<size_t>(pending) * vertexArray->pointer.stride;
  staging->pointer.owner = staging;
  pending += nV;
  *indexArea = indexList + indexCount;
  indexCount += nI;
  pendingFlag = true;
  return staging;
}

TriangleBatch* CreateBatch(const VertexFormat& format, std::int32_t vertexCapacity,
                           std::int32_t indexCapacity) {
  auto* batch = VOXA::errors::NewOrThrow<TriangleBatch>("TriangleBatch", format, vertexCapacity);
  batch->Batch::CreateArrays(vertexCapacity);
  try {
    batchList.push_back(batch);
  } catch (const std::bad_alloc&) {
    delete batch;
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("batch list");
  }
  batch->pending = 0;
  batch->indexCapacityAsked = indexCapacity;
  batch->indexList =
      static_cast<std::uint16_t*>(std::malloc(2 * static_cast<size_t>(std::max(indexCapacity, 1))));
  if (!batch->indexList)
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("triangle batch indices list!");
  batch->indexCapacity = indexCapacity;
  batch->indexCount = 0;
  batch->staging = VOXA::errors::NewOrThrow<VertexArray>("VertexArray");
  batch->staging->ownsBuffer = false;
  batch->staging->format = batch->format;
  batch->staging->pointer = MakeVertexPointer(batch->format);
  batch->staging->pointer.owner = batch->staging;
  return batch;
}

void UpdateBatchPending() {
  pendingFlag = false;
  for (Batch* b : batchList) {
    if (b->HasPending()) {
      pendingFlag = true;
      break;
    }
  }
}

void FlushPrimitives() {
  for (size_t i = 0; i < batchList.size(); ++i) batchList[i]->Flush();
}

void DestroyBatches() {
  if (pendingFlag) FlushPrimitives();
  while (!batchList.empty()) delete batchList.front();
  batchList.clear();
  batchList.shrink_to_fit();
  pendingFlag = false;
  ++generation;
}

bool PrimitivesPending() { return pendingFlag; }
std::uint32_t BatchGeneration() { return generation; }

}  // namespace VOXA2::threedee
