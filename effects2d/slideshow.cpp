#include "effects2d/slideshow.h"

#include <cstring>
#include <new>

#include "demo/block.h"
#include "demo/demo.h"
#include "demo/lists.h"
#include "effects2d/drawoptions.h"
#include "effects2d/picturecollector.h"
#include "foundation/numeric.h"
#include "foundation/random.h"
#include "gui/bitmap.h"
#include "gui/graphicsdevice.h"
#include "script/parser.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/material.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace {

using ZGUI::cBitmap;
using ZGUI::tRect;

enum : std::int32_t { errNoPicture = 271 };
enum : std::int32_t { kindHold = -1, kindFade = 0, kindThroughBlack = 1, kindLastWipe = 13 };
enum : std::uint32_t { primitiveFan = 5, lockWriteOnly = 2 };
enum : std::uint32_t { stageSelectFirst = 0, argumentDiffuse = 1 };

tRect WholeOf(const cBitmap* picture) {
  return tRect{0, 0, picture->GetWidth() - 1, picture->GetHeight() - 1};
}

// The copies of the wipes. A source rectangle that is empty (it can be, for
// pictures narrower or lower than the screen, or at the ends of a wipe) draws
// nothing: the device only clamps the right and bottom edges, and would take a
// negative right edge for one beyond the picture.
class tWipeDevice {
 public:
  tWipeDevice(void* pixels, int pitch, std::int32_t width, std::int32_t height)
      : device_(pixels, pitch, tRect{0, 0, width - 1, height - 1}) {}

  void Part(const cBitmap* picture, tRect source, std::int32_t x, std::int32_t y) {
    if (ZGUI::IsEmpty(source)) return;
    device_.DrawBitmapPart(picture, source, Placed(source, x, y));
  }
  void Lines(const cBitmap* picture, tRect source, std::int32_t x, std::int32_t y, bool odd) {
    if (ZGUI::IsEmpty(source)) return;
    device_.CopyBitmapRect(picture, source, Placed(source, x, y), odd);
  }
  void Whole(const cBitmap* picture, std::int32_t x, std::int32_t y) {
    Part(picture, WholeOf(picture), x, y);
  }

 private:
  static tRect Placed(tRect source, std::int32_t x, std::int32_t y) {
    return tRect{x, y, x + (source.right - source.left), y + (source.bottom - source.top)};
  }

  ZGUI::cGraphicsDevice device_;
};

// Locks the back buffer for writing; logs and returns null when it cannot.
video::voxaSurface* LockBackBuffer(void** pixels, int* pitch) {
  video::voxaSurface* back = video::GetBackSurface();
  if (!back || !back->Lock(pixels, pitch, lockWriteOnly)) {
    LogMessage(5, "Lock() failed!");
    return nullptr;
  }
  return back;
}

}  // namespace

cVOXAslideshow::cVOXAslideshow(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXApicturecollector>(owner, "picture", "cVOXApicturecollector");
  threedee::VertexFormat format;
  format.position = true;
  format.reciprocalW = true;
  format.diffuse = true;
  // Null without a 3D device; Parse refuses the block then.
  fadeQuad.reset(threedee::VertexArray::Create(false, 4, format));
}

cVOXAslideshow::~cVOXAslideshow() = default;

cVOXAcommand* cVOXAslideshow::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAslideshow>(owner, "cVOXAslideshow");
}

bool cVOXAslideshow::Parse(float startTime, float lengthTime, cParserT* parser) {
  start = startTime;
  length = lengthTime;
  end = startTime + lengthTime;
  // Without the quad no fade could be drawn: refused now rather than failing
  // the demo when the command's window comes.
  if (!fadeQuad) parser->Error(-1, "Could not create %s() object!", "VertexArray");
  for (;;) {
    // Refused while the "}" is current, so that the error points at it.
    if (parser->token->code == tokCloseBrace && pictures.empty())
      parser->Error(errNoPicture, "A slideshow requires at least one picture!");
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) break;
    if (skipped) continue;
    if (parser->token->code != tokFile) {
      parser->Error(errBlockSyntax, "Syntax error!");
      return false;
    }
    std::string name;
    try {
      name = ReadFileName(parser);
    } catch (const std::bad_alloc&) {
      throw new VOXA::errors::eOutOfMemory(
          "Could not allocate memory to duplicate duplicate string");
    }
    cVOXAdatacollector* collector = demo->FindDataCollector("picture");
    if (!collector) return false;
    AppendToList(pictures, nullptr, "picture list");
    pictures.back() = static_cast<cBitmap*>(collector->GetData(name.c_str()));
    if (!pictures.back()) {
      pictures.pop_back();
      return false;
    }
    parser->Expect(tokSemicolon);
  }
  const auto n = static_cast<std::int32_t>(pictures.size());
  slotCount = 2 * n + 1;
  slotLength = length / static_cast<float>(slotCount);
  try {
    order.assign(static_cast<std::size_t>(n), 0);
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("picture table");
  }
  try {
    schedule.assign(static_cast<std::size_t>(slotCount), tSlot{});
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("work table");
  }
  return true;
}

void cVOXAslideshow::Reshuffle() {
  const auto n = static_cast<std::int32_t>(order.size());
  for (std::int32_t i = 0; i < n; i++) order[static_cast<std::size_t>(i)] = i;
  // Each pass takes one of the first c entries and moves it to place c - 1.
  for (std::int32_t c = n; c >= 2; c--) {
    const auto r = static_cast<std::int32_t>((std::int64_t{Rand()} * c) >> 15);
    const std::int32_t taken = order[static_cast<std::size_t>(r)];
    for (std::int32_t k = r; k < c - 1; k++)
      order[static_cast<std::size_t>(k)] = order[static_cast<std::size_t>(k + 1)];
    order[static_cast<std::size_t>(c - 1)] = taken;
  }
  auto at = [&](std::int32_t k) { return order[static_cast<std::size_t>(k)]; };
  schedule[0] = tSlot{-1, at(0), kindFade};
  for (std::int32_t k = 0; k < n; k++)
    schedule[static_cast<std::size_t>(2 * k + 1)] = tSlot{at(k), at(k), kindHold};
  for (std::int32_t k = 1; k < n; k++)
    schedule[static_cast<std::size_t>(2 * k)] =
        tSlot{at(k - 1), at(k), kindThroughBlack + ((Rand() * 13) >> 15)};
  schedule[static_cast<std::size_t>(2 * n)] = tSlot{at(n - 1), -1, kindFade};
}

bool cVOXAslideshow::Execute(float, float sinceStart, float) {
  if (pictures.empty() || schedule.empty()) return true;
  if (sinceStart < lastTime) Reshuffle();
  lastTime = sinceStart;

  // The slot and the progress f within it. Rounding at the very end of the
  // window (or a window of no length) can give an index past the last slot:
  // that is the last slot, finished.
  const float s = sinceStart / slotLength;
  std::int32_t i;
  float f;
  if (!(s >= 0.0f)) {
    i = 0;
    f = 0.0f;
  } else if (s >= static_cast<float>(slotCount)) {
    i = slotCount - 1;
    f = 1.0f;
  } else {
    i = TruncToInt(s);
    f = s - static_cast<float>(i);
  }
  const tSlot& slot = schedule[static_cast<std::size_t>(i)];
  const auto picture = [&](std::int32_t index) -> const cBitmap* {
    return index >= 0 ? pictures[static_cast<std::size_t>(index)] : nullptr;
  };
  const cBitmap* a = picture(slot.from);
  const cBitmap* b = picture(slot.to);

  switch (slot.kind) {
    case kindHold:
      return CopyCentred(a);
    case kindFade:
      if (a) {
        if (!CopyCentred(a)) return false;
        DrawFade(f);
      } else {
        if (!CopyCentred(b)) return false;
        DrawFade(1.0f - f);
      }
      return true;
    case kindThroughBlack:
      if (f < 0.5f) {
        if (!CopyCentred(a)) return false;
        DrawFade(2.0f * f);
      } else {
        if (!CopyCentred(b)) return false;
        DrawFade(2.0f - 2.0f * f);
      }
      return true;
    default:
      return DrawWipe(slot.kind, a, b, f);
  }
}

bool cVOXAslideshow::CopyCentred(const cBitmap* picture) {
  void* pixels = nullptr;
  int pitch = 0;
  video::voxaSurface* back = LockBackBuffer(&pixels, &pitch);
  if (!back) return false;
  const std::int32_t width = screenInfo.width, height = screenInfo.height;
  if (picture) {
    ZGUI::cGraphicsDevice device(pixels, pitch, tRect{0, 0, width - 1, height - 1});
    const std::int32_t x = (width - picture->GetWidth()) / 2;
    const std::int32_t y = (height - picture->GetHeight()) / 2;
    device.DrawBitmap(picture,
                      tRect{x, y, x + picture->GetWidth() - 1, y + picture->GetHeight() - 1});
  }
  back->Unlock();
  return true;
}

bool cVOXAslideshow::DrawWipe(std::int32_t kind, const cBitmap* a, const cBitmap* b, float f) {
  if (!a || !b || kind > kindLastWipe) return true;
  void* pixels = nullptr;
  int pitch = 0;
  video::voxaSurface* back = LockBackBuffer(&pixels, &pitch);
  if (!back) return false;
  const std::int32_t w = screenInfo.width, h = screenInfo.height;
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);
  const std::int32_t aw = a->GetWidth(), ah = a->GetHeight();
  const std::int32_t bw = b->GetWidth(), bh = b->GetHeight();
  {
    tWipeDevice d(pixels, pitch, w, h);
    std::int32_t x, y;
    switch (kind) {
      case 2:  // B slides in from the right over A
        x = TruncToInt((1.0f - f) * fw);
        d.Part(a, tRect{0, 0, x, ah - 1}, 0, 0);
        d.Whole(b, x, 0);
        break;
      case 3:  // B pushes A out to the left
        x = TruncToInt((1.0f - f) * fw);
        d.Part(a, tRect{w - x, 0, aw - 1, ah - 1}, 0, 0);
        d.Part(b, tRect{0, 0, bw - 1 - x, bh - 1}, x, 0);
        break;
      case 4:  // B slides in from the left over A
        x = TruncToInt(f * fw);
        d.Part(a, tRect{x, 0, aw - 1, ah - 1}, x, 0);
        d.Part(b, tRect{w - x, 0, bw - 1, bh - 1}, 0, 0);
        break;
      case 5:  // B pushes A out to the right
        x = TruncToInt(f * fw);
        d.Whole(a, x, 0);
        d.Part(b, tRect{w - x, 0, bw - 1, bh - 1}, 0, 0);
        break;
      case 6:  // B slides in from the bottom over A
        y = TruncToInt((1.0f - f) * fh);
        d.Part(a, tRect{0, 0, aw - 1, y}, 0, 0);
        d.Whole(b, 0, y);
        break;
      case 7:  // B pushes A out at the top
        y = TruncToInt((1.0f - f) * fh);
        d.Part(a, tRect{0, h - y, aw - 1, ah - 1}, 0, 0);
        d.Part(b, tRect{0, 0, bw - 1, bh - 1 - y}, 0, y);
        break;
      case 8:  // B slides in from the top over A
        y = TruncToInt(f * fh);
        d.Part(a, tRect{0, y, aw - 1, ah - 1}, 0, y);
        d.Part(b, tRect{0, h - y, bw - 1, bh - 1}, 0, 0);
        break;
      case 9:  // B pushes A out at the bottom
        y = TruncToInt(f * fh);
        d.Whole(a, 0, y);
        d.Part(b, tRect{0, h - y, bw - 1, bh - 1}, 0, 0);
        break;
      case 10:  // B's odd lines slide in from the right, then its even lines
        d.Whole(a, 0, 0);
        if (f < 0.5f) {
          x = TruncToInt((0.5f - f) * fw * 2.0f);
          d.Lines(b, WholeOf(b), x, 0, true);
        } else {
          x = TruncToInt((1.0f - f) * fw * 2.0f);
          d.Lines(b, WholeOf(b), 0, 0, true);
          d.Lines(b, WholeOf(b), x, 0, false);
        }
        break;
      case 11:  // B's odd lines come from the left, its even lines from the right
        x = TruncToInt((1.0f - f) * fw);
        d.Whole(a, 0, 0);
        d.Lines(b, tRect{x, 0, bw - 1, bh - 1}, 0, 0, true);
        d.Lines(b, WholeOf(b), x, 0, false);
        break;
      case 12:  // A's even lines slide out to the right, then its odd lines
        d.Whole(b, 0, 0);
        if (f < 0.5f) {
          x = TruncToInt(f * fw * 2.0f);
          d.Lines(a, WholeOf(a), 0, 0, true);
          d.Lines(a, WholeOf(a), x, 0, false);
        } else {
          x = TruncToInt((f - 0.5f) * fw * 2.0f);
          d.Lines(a, WholeOf(a), x, 0, true);
        }
        break;
      case 13:  // A's odd lines leave to the left, its even lines to the right
        x = TruncToInt(f * fw);
        d.Whole(b, 0, 0);
        d.Lines(a, tRect{x, 0, aw - 1, ah - 1}, 0, 0, true);
        d.Lines(a, WholeOf(a), x, 0, false);
        break;
      default:
        break;
    }
  }
  back->Unlock();
  return true;
}

void cVOXAslideshow::DrawFade(float strength) {
  if (!(strength > 0.0f)) strength = 0.0f;
  if (strength > 1.0f) strength = 1.0f;
  const std::uint32_t colour = static_cast<std::uint32_t>(TruncToInt(strength * 255.0f)) << 24;
  const float x0 = static_cast<float>(screenInfo.windowLeft);
  const float y0 = static_cast<float>(screenInfo.windowTop);
  const float w = static_cast<float>(screenInfo.width), h = static_cast<float>(screenInfo.height);
  threedee::VertexArray* quad = fadeQuad.get();
  if (!quad->Lock(lockWriteOnly)) return;
  const float corners[4][2] = {{x0, y0}, {x0, y0 + h}, {x0 + w, y0 + h}, {x0 + w, y0}};
  const threedee::VertexPointer& p = quad->pointer;
  for (std::size_t v = 0; v < 4; v++) {
    std::uint8_t* vertex = quad->data + v * p.stride;
    const float position[3] = {corners[v][0], corners[v][1], 0.0f};
    const float rhw = 1.0f;
    std::memcpy(vertex + p.position, position, sizeof position);
    std::memcpy(vertex + p.reciprocalW, &rhw, sizeof rhw);
    std::memcpy(vertex + p.diffuse, &colour, sizeof colour);
  }
  quad->Unlock();

  threedee::BeginScene();
  effects2d::SetFixedModes(effects2d::tFixedModes::FadeToColor);
  // No texture on any stage and only stage 0 in use, passing the vertex colour.
  threedee::ResetTextureStages();
  threedee::DisableTextureStage(1);
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) {
    threedee::tStageOperation op;
    op.arg1.Set(argumentDiffuse, 0, 0);
    op.operation = stageSelectFirst;
    stage->SetColorOp(op);
    stage->SetAlphaOp(op);
  }
  threedee::DrawPrimitive(primitiveFan, quad, 0, 3);
  threedee::EndScene();
}

}  // namespace VOXA2
